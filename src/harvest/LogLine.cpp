#include "harvest/LogLine.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// The locale's long time format without its time zone: hours, minutes and seconds.
QString TimeWithSeconds(const QLocale& locale) {
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

} // namespace

QString FormatLogLine(const QString& message, const QDateTime& localTime) {
    const QLocale locale = QLocale::system();
    return locale.toString(localTime.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(localTime.time(), TimeWithSeconds(locale)) + QStringLiteral(": ") +
           message;
}

QString FormatLogLine(const QString& message) {
    return FormatLogLine(message, QDateTime::currentDateTime());
}
