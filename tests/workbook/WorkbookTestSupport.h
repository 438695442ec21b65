#pragma once

#include "workbook/SpreadsheetTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The byte-order mark, then each line's fields joined by TAB and ended by CR LF.
QByteArray TableBytes(const std::vector<QStringList>& lines);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// A cell as read_xlsx.py saw it: kind "n" (value: the number as QString::number gives it), "t"
// (value: the text a reader shows), "f" (a formula).
struct ReadCell {
    QString kind;
    QString value;
    bool bold = false;
};

struct ReadSheet {
    std::map<QString, QString> pane;
    std::map<int, double> widths;                  // column -> width
    std::map<std::pair<int, int>, ReadCell> cells; // (row, column), both from 0

    QStringList Row(int row) const; // the values, "" for an empty cell
    int RowCount() const;           // rows up to the last that has a cell
};

// Throws std::runtime_error when the reader finds no sound workbook.
std::vector<ReadSheet> ReadWorkbook(const QString& path);

struct Converted {
    std::int64_t rows = 0; // UsedRowCount
    std::int64_t cut = 0;  // CutCellCount
    std::vector<ReadSheet> sheets;
};

// Writes `table` into a fresh temporary folder, runs the harvest's steps on it (OpenText,
// UsedRowCount, FreezeHeaderRow, SaveAs, CutCellCount, Close) and reads the workbook back.
Converted Convert(const QByteArray& table,
                  std::size_t sheetRowLimit = SpreadsheetTable::kSheetRowLimit);
