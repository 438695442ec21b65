#pragma once

#include <QStringList>

// Number of columns of every line of the table, the header included.
inline constexpr int TableColumnCount = 101;

// The 101 column names of the header line, in column order. Some names occur twice (for example
// "Кадастровый номер" at 7 and 29); every occurrence is a column of its own.
const QStringList& TableHeaderNames();

// Position in a row of the column with that number (columns are numbered from 1).
constexpr qsizetype ColumnIndex(int column) {
    return column - 1;
}
