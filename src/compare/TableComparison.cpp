#include "compare/TableComparison.h"

#include "compare/ComparisonSummary.h"
#include "compare/HouseIndex.h"
#include "compare/HouseSheet.h"
#include "records/TableRows.h"
#include "workbook/ClassicNumbers.h"
#include "workbook/TemporaryWorkbookFile.h"
#include "workbook/WorkbookWriter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace {

// The rows that differ, by their offsets in the two tables.
struct Differences {
    std::vector<qint64> added;                        // in the new table
    std::vector<qint64> removed;                      // in the old table
    std::vector<std::pair<qint64, qint64>> rewritten; // old and new row, bytes not the same
    qint64 identical = 0;
};

Differences Match(HouseIndex& oldIndex, HouseIndex& newIndex) {
    Differences found;
    const std::vector<HouseEntry>& olds = oldIndex.houses;
    const std::vector<HouseEntry>& news = newIndex.houses;
    std::size_t o = 0;
    std::size_t n = 0;
    while (o < olds.size() || n < news.size()) {
        if (n == news.size() ||
            (o < olds.size() && olds[o] < news[n] && !olds[o].SameHouse(news[n]))) {
            found.removed.push_back(olds[o++].offset);
        } else if (o == olds.size() || !olds[o].SameHouse(news[n])) {
            found.added.push_back(news[n++].offset);
        } else {
            if (olds[o].rowHash == news[n].rowHash)
                ++found.identical;
            else
                found.rewritten.emplace_back(olds[o].offset, news[n].offset);
            ++o;
            ++n;
        }
    }
    // The index is no longer needed: its memory goes before the workbook is written.
    std::vector<HouseEntry>().swap(oldIndex.houses);
    std::vector<HouseEntry>().swap(newIndex.houses);
    // The sheets list houses in the order of their tables.
    std::sort(found.added.begin(), found.added.end());
    std::sort(found.removed.begin(), found.removed.end());
    std::sort(found.rewritten.begin(), found.rewritten.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    return found;
}

void ListRows(HouseSheet& sheet, const QString& path, const std::vector<qint64>& offsets) {
    TableRowLookup table(path);
    for (const qint64 offset : offsets)
        sheet.AddRow(SplitRow(table.RowAt(offset)));
}

TableFacts FactsOf(const HouseIndex& index) {
    const QFileInfo file(index.path);
    return {file.fileName(), index.rows, index.repeatedRows, file.lastModified(),
            index.firstRegion};
}

} // namespace

ComparisonCounts CompareTables(const QString& oldPath, const QString& newPath,
                               const QString& workbookPath) {
    ColumnWidths widths;
    HouseIndex oldIndex = IndexTable(oldPath);
    // The new table's rows guessed from the old one's bytes per row, a little more.
    const double bytesPerRow =
        double(QFileInfo(oldPath).size()) / double(std::max<qint64>(oldIndex.rows, 1));
    const auto expectedRows = qint64(double(QFileInfo(newPath).size()) / bytesPerRow * 1.02);
    HouseIndex newIndex = IndexTable(newPath, &widths, oldIndex.rows > 0 ? expectedRows : 0);
    ComparisonSummary summary;
    summary.oldTable = FactsOf(oldIndex);
    summary.newTable = FactsOf(newIndex);
    const Differences differences = Match(oldIndex, newIndex);

    TemporaryWorkbookFile file(workbookPath);
    {
        const ClassicNumbers classicNumbers;
        WorkbookWriter writer(file.Path(), workbookPath);
        const std::size_t summarySheet = writer.AddSheet(QStringLiteral("Сводка"));
        HouseSheet added(writer, QStringLiteral("Новые дома"), widths);
        HouseSheet removed(writer, QStringLiteral("Исчезнувшие дома"), widths);
        HouseSheet changed(writer, QStringLiteral("Изменения"), widths);
        ListRows(added, newPath, differences.added);
        ListRows(removed, oldPath, differences.removed);

        TableRowLookup oldTable(oldPath);
        TableRowLookup newTable(newPath);
        summary.counts.unchanged = differences.identical;
        for (const auto& [oldOffset, newOffset] : differences.rewritten) {
            const RowFields oldFields = SplitRow(oldTable.RowAt(oldOffset));
            const RowFields newFields = SplitRow(newTable.RowAt(newOffset));
            HouseSheet::ChangedColumns columns;
            for (std::size_t column = 0; column < newFields.size(); ++column)
                columns.set(column, !SameField(oldFields[column], newFields[column]));
            if (columns.none()) {
                ++summary.counts.unchanged;
                continue;
            }
            changed.AddChangedRow(oldFields, newFields, columns);
            for (std::size_t column = 0; column < newFields.size(); ++column)
                summary.columnChanges[column] += columns.test(column) ? 1 : 0;
        }
        summary.counts.added = added.Rows();
        summary.counts.removed = removed.Rows();
        summary.counts.changed = changed.Rows();
        WriteSummary(writer, summarySheet, summary);
        writer.Close();
    }
    file.Commit();
    return summary.counts;
}

QString DefaultComparisonPath(const QString& oldPath, const QString& newPath) {
    const QFileInfo oldFile(oldPath);
    const QFileInfo newFile(newPath);
    return newFile.dir().filePath(QStringLiteral("сравнение-%1-%2.xlsx")
                                      .arg(oldFile.completeBaseName(), newFile.completeBaseName()));
}
