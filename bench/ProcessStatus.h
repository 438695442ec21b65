#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>

// A memory line of /proc/<pid>/status ("VmRSS:", "VmHWM:"), in KiB; 0 when it cannot be read.
inline double StatusKiB(const QString& pid, const char* key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ')[0].toDouble();
    return 0;
}

inline double StatusKiB(const char* key) {
    return StatusKiB(QStringLiteral("self"), key);
}
