#pragma once

#include "workbook/ColumnWidths.h"
#include "workbook/TableSplitter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class WorkbookWriter;

// Puts the table's fields into worksheets as the splitter hands them over: the header line in
// row 1 (bold), one row per further line, a new worksheet (again with the header row first) each
// time a sheet holds `sheetRowLimit` rows. A plain decimal number becomes a number cell, every
// other field a text cell; an empty field leaves its cell empty.
class SheetFiller final : public TableSink {
public:
    // Fields beyond the last column a worksheet has are left out.
    static constexpr std::size_t kColumnLimit = 16384;

    // sheetRowLimit: at least 2 (the header and one row).
    SheetFiller(WorkbookWriter& writer, const ColumnWidths& widths, std::size_t sheetRowLimit,
                std::size_t cellTextLimit, bool freezeHeaderRow);

    bool Field(std::size_t column, std::string_view bytes, bool overflowed) override;
    bool LineEnd() override;
    // After the last line: a table without lines still gets its one (empty) worksheet.
    void Finish();

    std::int64_t CutCellCount() const { return cutCells_; }

private:
    struct Cell {
        bool isNumber = false;
        double number = 0;
        std::string text; // empty: no cell
    };

    void MakeCell(std::string_view bytes, bool overflowed, Cell& cell);
    void Write(std::uint32_t row, std::size_t column, const Cell& cell, bool bold);
    void StartSheet();

    WorkbookWriter& writer_;
    const ColumnWidths& widths_;
    std::uint64_t dataRowsPerSheet_;
    std::size_t cellTextLimit_;
    bool freezeHeaderRow_;

    std::vector<Cell> header_;
    std::uint64_t line_ = 0;
    std::uint32_t row_ = 0; // of the current line in its sheet
    std::int64_t cutCells_ = 0;
    Cell cell_; // the field at hand, its text's memory kept from field to field
};
