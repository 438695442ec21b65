#pragma once

#include <QString>

// Where the files of a run go (table, workbook, log, passports, and where skip.txt is read), with
// its trailing "/": the program's folder when a file can be made in it, as in a folder the user
// unpacked or built; otherwise, as in a system-wide install, "house-export/" in the documents
// folder, created when missing. Writability is tried with a probe file rather than judged from
// permission bits, which say nothing true for root or on a read-only file system.
QString RunFilesDirectory(const QString& programDirectory, const QString& documentsDirectory);
