#include "harvest/SkipList.h"

#include <QFile>
#include <QRegularExpression>
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

    // A line ends at CR LF, LF or a lone CR; a line break at the end does not begin another line.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QSet<QString> distinct;
    for (const QString& line : lines)
        distinct.insert(line.toCaseFolded());
    return int(distinct.size());
}
