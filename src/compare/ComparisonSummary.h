#pragma once

#include "compare/TableComparison.h"
#include "records/TableHeader.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstddef>

class WorkbookWriter;

// What the summary sheet says of one table.
struct TableFacts {
    QString name;
    qint64 rows = 0;
    qint64 repeatedRows = 0;
    QDateTime modified;
    QString region; // of its first row
};

struct ComparisonSummary {
    TableFacts oldTable;
    TableFacts newTable;
    ComparisonCounts counts;
    std::array<qint64, TableColumnCount> columnChanges{}; // changed houses per column
};

// Fills the sheet "Сводка": both tables, the counts, and every column with the number of houses
// changed in it, largest first.
void WriteSummary(WorkbookWriter& writer, std::size_t sheet, const ComparisonSummary& summary);
