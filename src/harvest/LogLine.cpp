#include "harvest/LogLine.h"

#include <QLocale>

QString FormatLogLine(const QString& message, const QDateTime& localTime) {
    const QLocale locale = QLocale::system();
    return locale.toString(localTime.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(localTime.time(), QLocale::LongFormat) + QStringLiteral(": ") + message;
}

QString FormatLogLine(const QString& message) {
    return FormatLogLine(message, QDateTime::currentDateTime());
}
