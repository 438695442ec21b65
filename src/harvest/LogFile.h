#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The log file of a run: "log-<tick>.txt" with the tick count as a signed 32-bit number.
QString LogFileName(std::uint32_t tickCount);

// Writes the lines to path, each followed by CR LF, in the locale's charset without byte-order
// mark, replacing an older file. Throws MessageError naming the path and the reason.
void SaveLogFile(const QString& path, const QStringList& lines);
