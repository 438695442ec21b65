#include "records/TableReadBack.h"

#include "records/RecordsError.h"
#include "records/TableHeader.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace {

constexpr QByteArrayView kGuidKey = "houseGuid=";
constexpr QByteArrayView kTypeKey = "&houseTypeCode=";

QByteArray HeaderLine() {
    return QByteArray("\xEF\xBB\xBF") + TableHeaderNames().join(u'\t').toUtf8() + "\r\n";
}

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw RecordsError(QStringLiteral("Таблица \"%1\" не подходит: %2").arg(path, reason));
}

// The first field of a row: the passport link.
QByteArrayView FirstField(QByteArrayView row) {
    const qsizetype tab = row.indexOf('\t');
    return tab < 0 ? row : row.first(tab);
}

} // namespace

QString RowHouseGuid(QByteArrayView row) {
    const QByteArrayView link = FirstField(row);
    const qsizetype start = link.indexOf(kGuidKey);
    if (start < 0)
        return {};
    QByteArrayView guid = link.sliced(start + kGuidKey.size());
    // The type code follows the guid; a guid never holds that text, a type code might.
    if (const qsizetype end = guid.indexOf(kTypeKey); end >= 0)
        guid = guid.first(end);
    return QString::fromUtf8(guid);
}

QString RowHouseTypeCode(QByteArrayView row) {
    const QByteArrayView link = FirstField(row);
    const qsizetype start = link.indexOf(kTypeKey);
    return start < 0 ? QString() : QString::fromUtf8(link.sliced(start + kTypeKey.size()));
}

TableContents ReadTableBack(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Refuse(path, QStringLiteral("файл не открывается (%1)").arg(file.errorString()));
    const qint64 size = file.size();
    const QByteArray header = HeaderLine();
    if (size < header.size())
        Refuse(path, QStringLiteral("в нём нет строки заголовка"));
    // Mapped rather than read: a table of a week's run is some hundred megabytes.
    const uchar* mapped = file.map(0, size);
    if (mapped == nullptr)
        Refuse(path, QStringLiteral("файл не читается (%1)").arg(file.errorString()));
    const char* const data = reinterpret_cast<const char*>(mapped);
    if (std::memcmp(data, header.constData(), std::size_t(header.size())) != 0)
        Refuse(path, QStringLiteral("строка заголовка не та, что пишет программа"));

    TableContents contents;
    const char* const end = data + size;
    const char* line = data + header.size();
    contents.headerEnd = header.size();
    contents.wholeLinesEnd = header.size();
    while (line < end) {
        const char* lineFeed =
            static_cast<const char*>(std::memchr(line, '\n', std::size_t(end - line)));
        if (lineFeed == nullptr)
            break; // the cut-off tail
        const QByteArrayView row(line, lineFeed - line);
        const qint64 number = qint64(contents.rowEnds.size()) + 1;
        if (!row.endsWith('\r') || std::count(row.begin(), row.end(), '\t') != TableColumnCount - 1)
            Refuse(path,
                   QStringLiteral("строка %1 не из %2 полей").arg(number).arg(TableColumnCount));
        QString guid = RowHouseGuid(row);
        if (guid.isEmpty())
            Refuse(path, QStringLiteral("в строке %1 нет ссылки на дом").arg(number));
        contents.guids.append(std::move(guid));
        contents.wholeLinesEnd = (lineFeed + 1) - data;
        contents.rowEnds.push_back(contents.wholeLinesEnd);
        line = lineFeed + 1;
    }
    return contents;
}
