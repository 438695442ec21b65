#include "compare/HouseSheet.h"

#include "workbook/CellText.h"
#include "workbook/ColumnWidths.h"
#include "workbook/PlainNumber.h"
#include "workbook/SpreadsheetTable.h"
#include "workbook/WorkbookWriter.h"

namespace {

std::string_view View(QByteArrayView bytes) {
    return {bytes.data(), std::size_t(bytes.size())};
}

} // namespace

HouseSheet::HouseSheet(WorkbookWriter& writer, const QString& name, const ColumnWidths& widths)
    : writer_(writer), name_(name), widths_(widths) {
    Start();
}

void HouseSheet::Start() {
    ++sheets_;
    sheet_ =
        writer_.AddSheet(sheets_ == 1 ? name_ : QStringLiteral("%1 (%2)").arg(name_).arg(sheets_));
    for (std::size_t column = 0; column < widths_.ColumnCount(); ++column)
        writer_.SetColumnWidth(sheet_, column, widths_.Width(column));
    writer_.FreezeFirstRow(sheet_);
    const QStringList& names = TableHeaderNames();
    for (qsizetype column = 0; column < names.size(); ++column)
        writer_.WriteText(sheet_, 0, std::size_t(column), names[column].toStdString(), true);
    row_ = 0;
}

void HouseSheet::NextRow() {
    if (row_ == kRowsPerSheet)
        Start();
    ++row_;
    ++rows_;
}

void HouseSheet::Text(QByteArrayView field) {
    MakeCellText(View(field), false, SpreadsheetTable::kCellTextLimit, text_);
}

void HouseSheet::WriteField(std::size_t column, QByteArrayView field) {
    if (field.isEmpty())
        return;
    if (const std::optional<double> number = PlainNumber(View(field))) {
        writer_.WriteNumber(sheet_, row_, column, *number, false);
        return;
    }
    Text(field);
    writer_.WriteText(sheet_, row_, column, text_, false);
}

void HouseSheet::AddRow(const RowFields& fields) {
    NextRow();
    for (std::size_t column = 0; column < fields.size(); ++column)
        WriteField(column, fields[column]);
}

void HouseSheet::AddChangedRow(const RowFields& oldFields, const RowFields& newFields,
                               const ChangedColumns& changed) {
    NextRow();
    for (std::size_t column = 0; column < newFields.size(); ++column) {
        if (!changed.test(column)) {
            WriteField(column, newFields[column]);
            continue;
        }
        QByteArray both = oldFields[column].isEmpty() ? QByteArray(kEmptyFieldText)
                                                      : oldFields[column].toByteArray();
        both += " → ";
        both += newFields[column].isEmpty() ? QByteArrayView(kEmptyFieldText) : newFields[column];
        Text(both);
        writer_.WriteHighlightedText(sheet_, row_, column, text_);
    }
}
