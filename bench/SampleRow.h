#pragma once

#include <QFile>
#include <QStringList>
#include <stdexcept>

// The 101 fields of one realistic house row, from the records tests' data folder.
inline QStringList SampleRow() {
    QFile file(QStringLiteral(RESUME_BENCH_DATA "/house-row.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing bench data house-row.txt");
    QStringList fields;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (const qsizetype tab = line.indexOf('\t'); tab >= 0)
            fields.append(QString::fromUtf8(line.mid(tab + 1)).remove(u'\r'));
    return fields;
}
