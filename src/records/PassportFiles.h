#pragma once

#include "base/WriteAll.h"

#include <QByteArray>
#include <QString>
#include <unistd.h>

// Passport answers kept as files: "json/<house guid>.json" in the program's directory, each the
// answer's bytes exactly as received.

// Creates the "json" folder in directory (which ends with a separator) unless it exists. A
// failure is not an error here: the first save then reports the missing folder. Gives whether
// the folder exists afterwards.
bool PreparePassportFolder(const QString& directory);

// Whether a house guid may name a file in the passport folder: not empty, not "." or "..", and
// without "/", NUL or any other control character. Anything else could reach outside the folder.
bool IsSafePassportName(const QString& guid);

// Writes bytes to directory + "json/" + guid + ".json", replacing an older file. Throws
// RecordsError when the guid is not a safe file name (nothing is written then) and, naming the
// path and the system's reason, when the file cannot be created or written. Tests pass a failing
// write call to prove that a full disk is reported.
void SavePassport(const QString& directory, const QString& guid, const QByteArray& bytes,
                  WriteCall write = &::write);
