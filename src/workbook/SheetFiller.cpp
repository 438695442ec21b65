#include "workbook/SheetFiller.h"

#include "workbook/CellText.h"
#include "workbook/PlainNumber.h"
#include "workbook/WorkbookWriter.h"

#include <algorithm>

SheetFiller::SheetFiller(WorkbookWriter& writer, const ColumnWidths& widths,
                         std::size_t sheetRowLimit, std::size_t cellTextLimit, bool freezeHeaderRow)
    : writer_(writer), widths_(widths),
      dataRowsPerSheet_(std::max<std::size_t>(sheetRowLimit, 2) - 1), cellTextLimit_(cellTextLimit),
      freezeHeaderRow_(freezeHeaderRow) {}

bool SheetFiller::Field(std::size_t column, std::string_view bytes, bool overflowed) {
    if (column == 0) {
        // The first field of a line places the line: a data line that starts a new sheet
        // brings the sheet with its header row.
        const std::uint64_t dataLine = line_ == 0 ? 0 : line_ - 1;
        const std::uint64_t sheet = dataLine / dataRowsPerSheet_;
        row_ = line_ == 0 ? 0 : static_cast<std::uint32_t>(1 + dataLine % dataRowsPerSheet_);
        if (sheet >= writer_.SheetCount())
            StartSheet();
    }
    if (column >= kColumnLimit)
        return true;
    MakeCell(bytes, overflowed, cell_);
    if (line_ == 0) {
        Write(0, column, cell_, true);
        header_.push_back(cell_);
    } else {
        Write(row_, column, cell_, false);
    }
    return true;
}

bool SheetFiller::LineEnd() {
    ++line_;
    return true;
}

void SheetFiller::Finish() {
    if (writer_.SheetCount() == 0)
        StartSheet();
}

void SheetFiller::MakeCell(std::string_view bytes, bool overflowed, Cell& cell) {
    cell.isNumber = false;
    cell.text.clear();
    if (bytes.empty())
        return;
    if (!overflowed) {
        if (const std::optional<double> number = PlainNumber(bytes)) {
            cell.isNumber = true;
            cell.number = *number;
            return;
        }
    }
    if (MakeCellText(bytes, overflowed, cellTextLimit_, cell.text))
        ++cutCells_;
}

void SheetFiller::Write(std::uint32_t row, std::size_t column, const Cell& cell, bool bold) {
    if (cell.isNumber)
        writer_.WriteNumber(writer_.SheetCount() - 1, row, column, cell.number, bold);
    else if (!cell.text.empty())
        writer_.WriteText(writer_.SheetCount() - 1, row, column, cell.text, bold);
}

void SheetFiller::StartSheet() {
    const std::size_t sheet = writer_.AddSheet();
    const std::size_t columns = std::min(widths_.ColumnCount(), kColumnLimit);
    for (std::size_t column = 0; column < columns; ++column)
        writer_.SetColumnWidth(sheet, column, widths_.Width(column));
    if (freezeHeaderRow_)
        writer_.FreezeFirstRow(sheet);
    for (std::size_t column = 0; column < header_.size(); ++column)
        Write(0, column, header_[column], true);
}
