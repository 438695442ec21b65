#pragma once

#include "base/MessageError.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// The conversion was given up on request: nothing was saved, no temporary file is left.
class ConversionCancelled : public MessageError {
public:
    ConversionCancelled() : MessageError(QStringLiteral("The conversion was cancelled.")) {}
};

// The spreadsheet layer of the end of a run: a tab-separated UTF-8 table (byte-order mark
// optional, CR LF or LF line ends) opened as a worksheet, one row per line and one cell per field,
// the header line in row 1, then saved as an Open XML workbook (.xlsx) with the header row frozen.
// Every failure is a MessageError whose text says what went wrong.
class SpreadsheetTable {
public:
    static constexpr std::size_t kSheetRowLimit = 1048576;
    static constexpr std::size_t kCellTextLimit = 32767;

    // sheetRowLimit: rows per worksheet; a longer table goes on in further worksheets, each with
    // the header row first. Tests pass a small one.
    explicit SpreadsheetTable(std::size_t sheetRowLimit = kSheetRowLimit);
    ~SpreadsheetTable();
    SpreadsheetTable(const SpreadsheetTable&) = delete;
    SpreadsheetTable& operator=(const SpreadsheetTable&) = delete;

    // Asked between blocks of the table while it is read and written; when it gives true,
    // OpenText and SaveAs throw ConversionCancelled (the program is leaving, say).
    void SetCancelCheck(std::function<bool()> cancelled);

    void OpenText(const QString& tablePath);
    // Lines of the table, the header included.
    std::int64_t UsedRowCount() const;
    void FreezeHeaderRow();
    void SaveAs(const QString& workbookPath);
    // Fields that SaveAs cut to kCellTextLimit characters.
    std::int64_t CutCellCount() const;
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};
