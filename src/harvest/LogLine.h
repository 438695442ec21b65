#pragma once

#include <QDateTime>
#include <QString>

// A log line: the local date and time in the system's short date format, one space, the time
// with seconds in the system's long time format, ": ", then the message.
QString FormatLogLine(const QString& message, const QDateTime& localTime);
QString FormatLogLine(const QString& message);
