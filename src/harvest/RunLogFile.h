#pragma once

#include "base/FileDescriptor.h"
#include "base/WriteAll.h"

#include <QString>
#include <QStringEncoder>
#include <cstdint>
#include <unistd.h>

// The log file of the run under way, written as its lines are made: each line in the locale's
// charset without byte-order mark, followed by CR LF, in one write() of its own, so that a kill
// leaves whole lines. From the start report it is PartialLogFileName(tick); the end report
// renames it to its final name.
//
// A file that cannot be written is said once: Begin and Append give the failure's message the
// first time (empty text otherwise), and every later line is left out of the file.
class RunLogFile {
public:
    explicit RunLogFile(WriteCall write = ::write) : write_(write) {}

    // Creates or empties directory + PartialLogFileName(tickCount); the lines of an earlier
    // run's file are no concern of this one.
    QString Begin(const QString& directory, std::uint32_t tickCount);
    // Appends one line of the file (it holds no line break). Does nothing outside a run.
    QString Append(const QString& line);
    // Gives the file the name directory + name, replacing a file of that name; the lines that
    // follow the end report (the workbook's) still go into it until Close. Throws MessageError
    // when that fails or when the file failed earlier (already said then).
    void Finish(const QString& name);
    // The run's last line is written: later lines stay out of the file.
    void Close();

    // Whether the file of the latest run could not be written, at any point.
    bool Failed() const { return failed_; }

private:
    QString Fail(const QString& reason);

    WriteCall write_;
    FileDescriptor file_;
    QStringEncoder encoder_{QStringConverter::System};
    QString directory_;
    QString path_;
    QByteArray bytes_; // one line's bytes, kept to save an allocation per line
    bool failed_ = false;
};
