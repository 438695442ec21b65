#pragma once

#include "records/TableHeader.h"

#include <QByteArrayView>
#include <array>

// The fields of one row, split at its TABs; a row of the table has exactly 101.
using RowFields = std::array<QByteArrayView, TableColumnCount>;
RowFields SplitRow(QByteArrayView row);

// Whether two fields show the same in the export's workbook: spaces before and after the text do
// not count, and two numbers are the same when their values are ("12,0", "12.0" and "12").
bool SameField(QByteArrayView oldField, QByteArrayView newField);
