#pragma once

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>

// A run's log file with what differs from run to run masked, for comparison with a file kept
// from an earlier run: the time stamp at the start of a line (the date, one space, the time with
// seconds, ": ") becomes "<stamp>: ", the run's folder "<out>", and the tick counts in
// "data<n>." and "log-<n>." become "<tick>". Every other byte, CR LF included, stays.
inline QByteArray MaskLog(const QByteArray& bytes, const QString& folder) {
    static const QRegularExpression stamp(
        QStringLiteral("(?m)^[^:\\r\\n]*?\\d{1,2}:\\d{2}:\\d{2}(?: ?[AaPp][Mm])?: "));
    static const QRegularExpression tick(QStringLiteral("(data|log-)-?\\d+\\."));
    QString text = QString::fromUtf8(bytes);
    text.replace(folder, QStringLiteral("<out>"));
    text.replace(stamp, QStringLiteral("<stamp>: "));
    text.replace(tick, QStringLiteral("\\1<tick>."));
    return text.toUtf8();
}

// The log file of the small region's run (8 houses, city and street placeholders, coordinates,
// passport and card of every house), masked, as the program wrote it before the log was
// streamed: tests/support/data/small-region-log.txt.
inline QByteArray ExpectedSmallRegionLog() {
    QFile file(QStringLiteral(HX_SOURCE_DIR "/tests/support/data/small-region-log.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
