#include "compare/HouseIndex.h"

#include "records/TableHeader.h"
#include "records/TableRows.h"

#include <QHash>
#include <algorithm>

namespace {

// The header and this many rows size the columns, as in the export's workbook.
constexpr qint64 kWidthSampleRows = 100;
constexpr qsizetype kRegionColumn = ColumnIndex(2);
constexpr QByteArrayView kGuidKey = "houseGuid=";
constexpr QByteArrayView kTypeKey = "&houseTypeCode=";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool HexGuidKey(QByteArrayView guid, HouseEntry& entry) {
    if (guid.size() != 36)
        return false;
    std::uint64_t words[2] = {0, 0};
    int digits = 0;
    for (qsizetype i = 0; i < guid.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash) {
            if (guid[i] != '-')
                return false;
            continue;
        }
        const int value = HexValue(guid[i]);
        if (value < 0)
            return false;
        words[digits / 16] = words[digits / 16] << 4 | std::uint64_t(value);
        ++digits;
    }
    entry.keyHigh = words[0];
    entry.keyLow = words[1];
    return true;
}

// The guid of a row's passport link, as bytes; the row is known to carry one.
QByteArrayView GuidBytes(QByteArrayView row) {
    const qsizetype tab = row.indexOf('\t');
    QByteArrayView link = tab < 0 ? row : row.first(tab);
    link = link.sliced(link.indexOf(kGuidKey) + kGuidKey.size());
    if (const qsizetype end = link.indexOf(kTypeKey); end >= 0)
        link = link.first(end);
    return link;
}

QByteArrayView Field(QByteArrayView row, qsizetype index) {
    qsizetype start = 0;
    for (qsizetype k = 0; k < index; ++k)
        start = row.indexOf('\t', start) + 1;
    const qsizetype end = row.indexOf('\t', start);
    return row.sliced(start, (end < 0 ? row.size() : end) - start);
}

void MeasureRow(QByteArrayView row, ColumnWidths& widths) {
    std::size_t column = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = row.indexOf('\t', start);
        const QByteArrayView field = row.sliced(start, (end < 0 ? row.size() : end) - start);
        widths.Measure(column++, std::string_view(field.data(), std::size_t(field.size())));
        if (end < 0)
            return;
        start = end + 1;
    }
}

} // namespace

void HouseKey(QByteArrayView guid, HouseEntry& entry) {
    if (HexGuidKey(guid, entry))
        return;
    entry.keyHigh = qHash(guid, 0x9E3779B97F4A7C15ULL);
    entry.keyLow = qHash(guid, 0xC2B2AE3D27D4EB4FULL) | 1; // never a hex guid's all-zero half
}

HouseIndex IndexTable(const QString& path, ColumnWidths* widths, qint64 expectedRows) {
    TableRowReader reader(path);
    HouseIndex index;
    index.path = path;
    index.houses.reserve(std::size_t(std::max<qint64>(expectedRows, 0)));
    if (widths != nullptr) {
        const QStringList& names = TableHeaderNames();
        for (qsizetype column = 0; column < names.size(); ++column) {
            const QByteArray name = names[column].toUtf8();
            widths->Measure(std::size_t(column), std::string_view(name.data(), name.size()));
        }
    }
    QByteArrayView row;
    HouseEntry entry;
    while (reader.Next(row, entry.offset)) {
        if (index.rows == 0)
            index.firstRegion = QString::fromUtf8(Field(row, kRegionColumn)).trimmed();
        if (widths != nullptr && index.rows < kWidthSampleRows)
            MeasureRow(row, *widths);
        HouseKey(GuidBytes(row), entry);
        entry.rowHash = qHash(row, 0);
        index.houses.push_back(entry);
        ++index.rows;
    }
    std::sort(index.houses.begin(), index.houses.end());
    // Sorted by key and then offset: the first row of a house comes first.
    const auto last =
        std::unique(index.houses.begin(), index.houses.end(),
                    [](const HouseEntry& a, const HouseEntry& b) { return a.SameHouse(b); });
    index.repeatedRows = qint64(index.houses.end() - last);
    index.houses.erase(last, index.houses.end());
    return index;
}
