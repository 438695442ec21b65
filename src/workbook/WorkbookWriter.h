#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// One libxlsxwriter workbook in constant-memory mode: every row goes to a temporary file as soon
// as the next row begins, so rows must come in order within a sheet. The temporary files lie in
// the system's temporary folder and have no name (libxlsxwriter removes each as it creates it).
// Close() writes the .xlsx file; a writer dropped without Close() writes nothing.
// Every failure is a MessageError naming `shownPath`, the path the user knows.
class WorkbookWriter {
public:
    WorkbookWriter(const QString& filePath, const QString& shownPath);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    // Adds a worksheet at the end, with the spreadsheet's own name or the one given; gives its
    // number, counted from 0.
    std::size_t AddSheet(const QString& name = {});
    std::size_t SheetCount() const { return sheets_.size(); }

    // A text cell; never a formula, whatever the text begins with.
    void WriteText(std::size_t sheet, std::uint32_t row, std::size_t column,
                   const std::string& text, bool bold);
    // A text cell with a highlighted background: a value that changed.
    void WriteHighlightedText(std::size_t sheet, std::uint32_t row, std::size_t column,
                              const std::string& text);
    void WriteNumber(std::size_t sheet, std::uint32_t row, std::size_t column, double value,
                     bool bold);
    void SetColumnWidth(std::size_t sheet, std::size_t column, double width);
    // Freezes the rows above the second, so the first stays in view.
    void FreezeFirstRow(std::size_t sheet);

    void Close();

private:
    void Check(int error) const;
    void CheckRowFiles() const;
    void Discard();

    QString shownPath_;
    QByteArray tempDir_; // libxlsxwriter keeps the pointer
    lxw_workbook* workbook_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* highlighted_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
};
