#pragma once

#include <QString>

// What two tables of this program differ in, house by house (the key is the house guid of the
// row's link; a house in several rows counts by its first row).
struct ComparisonCounts {
    qint64 added = 0;
    qint64 removed = 0;
    qint64 changed = 0;
    qint64 unchanged = 0;
};

// Compares the tables and writes the comparison workbook at `workbookPath`: the sheets
// "Сводка", "Новые дома", "Исчезнувшие дома" and "Изменения". Neither table is held in memory:
// both are indexed (guid, row offset, row hash) and only the rows that differ are read again.
// Fails with a MessageError that names the file, the line and the reason when a table is not
// this program's or is cut short; the workbook is written under a temporary name and takes its
// real name only when it is whole, so a failure leaves no workbook and no older one replaced.
ComparisonCounts CompareTables(const QString& oldPath, const QString& newPath,
                               const QString& workbookPath);

// The workbook's default path: beside the new table, "сравнение-<old>-<new>.xlsx" with the
// tables' names without ".tab".
QString DefaultComparisonPath(const QString& oldPath, const QString& newPath);
