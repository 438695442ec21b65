#include "harvest/SkipList.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

int CountSkipLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = file.readAll();
    const auto bomEncoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decode(bomEncoding.value_or(QStringConverter::System),
                          QStringConverter::Flag::Default);
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QStringList lines = text.split(QStringLiteral("\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // a line break at the end does not begin another line
    QSet<QString> distinct;
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        distinct.insert(line.toCaseFolded());
    }
    return int(distinct.size());
}
