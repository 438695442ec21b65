#include "workbook/SpreadsheetTable.h"

#include "base/MessageError.h"
#include "workbook/ClassicNumbers.h"
#include "workbook/SheetFiller.h"
#include "workbook/TableFile.h"
#include "workbook/TableScan.h"
#include "workbook/TableSplitter.h"
#include "workbook/TemporaryWorkbookFile.h"
#include "workbook/WorkbookWriter.h"

#include <algorithm>

namespace {

// The header and this many rows size the columns.
constexpr std::size_t kWidthSampleLines = 1 + 100;

// Bytes of a field that are enough to give its first kCellTextLimit UTF-16 units in any case:
// each unit takes at most three bytes, and a sequence cut at the end is still beyond them.
constexpr std::size_t kFieldByteCap = 3 * SpreadsheetTable::kCellTextLimit + 8;

} // namespace

struct SpreadsheetTable::State {
    std::size_t sheetRowLimit;
    bool open = false;
    QString tablePath;
    TableOutline outline;
    bool freezeHeaderRow = false;
    std::int64_t cutCells = 0;
    std::function<bool()> cancelled;

    void ThrowIfCancelled() const {
        if (cancelled && cancelled())
            throw ConversionCancelled();
    }
};

SpreadsheetTable::SpreadsheetTable(std::size_t sheetRowLimit) : state_(std::make_unique<State>()) {
    state_->sheetRowLimit = std::clamp<std::size_t>(sheetRowLimit, 2, kSheetRowLimit);
}

SpreadsheetTable::~SpreadsheetTable() = default;

void SpreadsheetTable::SetCancelCheck(std::function<bool()> cancelled) {
    state_->cancelled = std::move(cancelled);
}

void SpreadsheetTable::OpenText(const QString& tablePath) {
    Close();
    // A table that cannot be read leaves no count of an earlier one behind.
    state_->outline = {};
    state_->cutCells = 0;
    state_->outline =
        ScanTable(tablePath, kWidthSampleLines, [this] { state_->ThrowIfCancelled(); });
    state_->tablePath = tablePath;
    state_->freezeHeaderRow = false;
    state_->open = true;
}

std::int64_t SpreadsheetTable::UsedRowCount() const {
    return state_->outline.lineCount;
}

void SpreadsheetTable::FreezeHeaderRow() {
    state_->freezeHeaderRow = true;
}

void SpreadsheetTable::SaveAs(const QString& workbookPath) {
    if (!state_->open)
        throw MessageError(
            QStringLiteral("Cannot save file \"%1\". No table is open.").arg(workbookPath));
    TemporaryWorkbookFile file(workbookPath);
    {
        const ClassicNumbers classicNumbers;
        WorkbookWriter writer(file.Path(), workbookPath);
        SheetFiller filler(writer, state_->outline.widths, state_->sheetRowLimit, kCellTextLimit,
                           state_->freezeHeaderRow);
        TableSplitter splitter(filler, kFieldByteCap);
        TableFile table(state_->tablePath);
        for (std::string_view block = table.NextBlock(); !block.empty();
             block = table.NextBlock()) {
            state_->ThrowIfCancelled();
            splitter.Feed(block);
        }
        splitter.Finish();
        state_->ThrowIfCancelled();
        filler.Finish();
        writer.Close();
        state_->cutCells = filler.CutCellCount();
    }
    file.Commit();
}

std::int64_t SpreadsheetTable::CutCellCount() const {
    return state_->cutCells;
}

void SpreadsheetTable::Close() {
    state_->open = false;
}
