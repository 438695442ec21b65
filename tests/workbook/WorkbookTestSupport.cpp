#include "WorkbookTestSupport.h"

#include "ChildProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <stdexcept>

QByteArray TableBytes(const std::vector<QStringList>& lines) {
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QStringList& line : lines)
        bytes += line.join(u'\t').toUtf8() + "\r\n";
    return bytes;
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QStringList ReadSheet::Row(int row) const {
    QStringList values;
    for (auto it = cells.lower_bound({row, 0}); it != cells.end() && it->first.first == row; ++it) {
        while (values.size() < it->first.second)
            values.append(QString());
        values.append(it->second.value);
    }
    return values;
}

int ReadSheet::RowCount() const {
    return cells.empty() ? 0 : cells.rbegin()->first.first + 1;
}

std::vector<ReadSheet> ReadWorkbook(const QString& path) {
    const QString out = path + QStringLiteral(".json");
    ChildProcess reader(
        {QStringLiteral(WORKBOOK_PYTHON), QStringLiteral(WORKBOOK_READER), path, out});
    if (reader.Wait(60000) != 0)
        throw std::runtime_error("no sound workbook: " + path.toStdString());
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no reader output");
    std::vector<ReadSheet> sheets;
    for (const QJsonValue json : QJsonDocument::fromJson(file.readAll()).array()) {
        ReadSheet& sheet = sheets.emplace_back();
        const QVariantMap pane = json[QStringLiteral("pane")].toObject().toVariantMap();
        for (auto it = pane.begin(); it != pane.end(); ++it)
            sheet.pane[it.key()] = it.value().toString();
        const QVariantMap widths = json[QStringLiteral("widths")].toObject().toVariantMap();
        for (auto it = widths.begin(); it != widths.end(); ++it)
            sheet.widths[it.key().toInt()] = it.value().toDouble();
        for (const QJsonValue cell : json[QStringLiteral("cells")].toArray()) {
            const QJsonArray c = cell.toArray();
            const QString kind = c[2].toString();
            const QString value =
                kind == u"n" ? QString::number(c[3].toDouble(), 'g', 17) : c[3].toString();
            sheet.cells[{c[0].toInt(), c[1].toInt()}] = {kind, value, c[4].toBool()};
        }
    }
    return sheets;
}

Converted Convert(const QByteArray& table, std::size_t sheetRowLimit) {
    QTemporaryDir dir;
    const QString tablePath = dir.filePath(QStringLiteral("data1.tab"));
    const QString workbookPath = dir.filePath(QStringLiteral("data1.xlsx"));
    WriteFileBytes(tablePath, table);
    Converted converted;
    SpreadsheetTable sheet(sheetRowLimit);
    sheet.OpenText(tablePath);
    converted.rows = sheet.UsedRowCount();
    sheet.FreezeHeaderRow();
    sheet.SaveAs(workbookPath);
    converted.cut = sheet.CutCellCount();
    sheet.Close();
    converted.sheets = ReadWorkbook(workbookPath);
    return converted;
}
