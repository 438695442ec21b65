#include "harvest/LogLine.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// The locale's long time format without its time zone: hours, minutes and seconds.
QString TimeWithSeconds(const QLocale& locale) {
    const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

} // namespace

QString FormatLogLine(const QString& message, const QDateTime& localTime) {
    // Every line of a run comes through here: the locale and its formats are taken once.
    static const QLocale locale = QLocale::system();
    static const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    static const QString timeFormat = TimeWithSeconds(locale);
    return locale.toString(localTime.date(), dateFormat) + QLatin1Char(' ') +
           locale.toString(localTime.time(), timeFormat) + QStringLiteral(": ") + message;
}

QString FormatLogLine(const QString& message) {
    return FormatLogLine(message, QDateTime::currentDateTime());
}
