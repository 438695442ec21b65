#pragma once

#include "compare/FieldComparison.h"
#include "workbook/SpreadsheetTable.h"

#include <QString>
#include <bitset>
#include <cstdint>
#include <string>

class ColumnWidths;
class WorkbookWriter;

// A worksheet of whole house rows, laid out as the export's workbook lays out a table: the header
// row bold and frozen, the same column widths, a plain decimal number as a number cell and any
// other field as a text cell. A sheet that is full goes on in a further one named "<name> (2)".
class HouseSheet {
public:
    using ChangedColumns = std::bitset<TableColumnCount>;

    HouseSheet(WorkbookWriter& writer, const QString& name, const ColumnWidths& widths);

    void AddRow(const RowFields& fields);
    // The new row, every changed column highlighted and written "old → new".
    void AddChangedRow(const RowFields& oldFields, const RowFields& newFields,
                       const ChangedColumns& changed);

    std::int64_t Rows() const { return rows_; }

    // A worksheet's rows but the header's.
    static constexpr std::uint32_t kRowsPerSheet = SpreadsheetTable::kSheetRowLimit - 1;

private:
    void NextRow();
    void Start();
    void WriteField(std::size_t column, QByteArrayView field);
    void Text(QByteArrayView field);

    WorkbookWriter& writer_;
    QString name_;
    const ColumnWidths& widths_;
    std::size_t sheet_ = 0;
    std::uint32_t row_ = 0;
    std::int64_t rows_ = 0;
    int sheets_ = 0;
    std::string text_; // the cell text at hand, its memory kept from cell to cell
};

// An empty field's side of an "old → new" text.
inline constexpr const char* kEmptyFieldText = "(пусто)";
