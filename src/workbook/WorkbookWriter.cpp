#include "workbook/WorkbookWriter.h"

#include "base/MessageError.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <xlsxwriter.h>

namespace {

// A light yellow, as a marker pen leaves it.
constexpr lxw_color_t kHighlightColour = 0xFFF2A8;

} // namespace

WorkbookWriter::WorkbookWriter(const QString& filePath, const QString& shownPath)
    : shownPath_(shownPath), tempDir_(QFile::encodeName(QDir::tempPath())) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tempDir_.data();
    workbook_ = workbook_new_opt(QFile::encodeName(filePath).constData(), &options);
    if (workbook_ == nullptr)
        Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    bold_ = workbook_add_format(workbook_);
    highlighted_ = workbook_add_format(workbook_);
    if (bold_ == nullptr || highlighted_ == nullptr) {
        Discard();
        Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    format_set_bold(bold_);
    format_set_bg_color(highlighted_, kHighlightColour);
}

WorkbookWriter::~WorkbookWriter() {
    Discard();
}

std::size_t WorkbookWriter::AddSheet(const QString& name) {
    const QByteArray utf8Name = name.toUtf8();
    lxw_worksheet* sheet =
        workbook_add_worksheet(workbook_, name.isEmpty() ? nullptr : utf8Name.constData());
    if (sheet == nullptr) {
        // In constant-memory mode this is the sheet's temporary file that could not be made.
        const int error = errno;
        throw MessageError(QStringLiteral("Cannot create a temporary file in \"%1\" for \"%2\". %3")
                               .arg(QFile::decodeName(tempDir_), shownPath_, SystemReason(error)));
    }
    sheets_.push_back(sheet);
    return sheets_.size() - 1;
}

void WorkbookWriter::WriteText(std::size_t sheet, std::uint32_t row, std::size_t column,
                               const std::string& text, bool bold) {
    Check(worksheet_write_string(sheets_.at(sheet), row, static_cast<lxw_col_t>(column),
                                 text.c_str(), bold ? bold_ : nullptr));
}

void WorkbookWriter::WriteHighlightedText(std::size_t sheet, std::uint32_t row, std::size_t column,
                                          const std::string& text) {
    Check(worksheet_write_string(sheets_.at(sheet), row, static_cast<lxw_col_t>(column),
                                 text.c_str(), highlighted_));
}

void WorkbookWriter::WriteNumber(std::size_t sheet, std::uint32_t row, std::size_t column,
                                 double value, bool bold) {
    Check(worksheet_write_number(sheets_.at(sheet), row, static_cast<lxw_col_t>(column), value,
                                 bold ? bold_ : nullptr));
}

void WorkbookWriter::SetColumnWidth(std::size_t sheet, std::size_t column, double width) {
    const auto col = static_cast<lxw_col_t>(column);
    Check(worksheet_set_column(sheets_.at(sheet), col, col, width, nullptr));
}

void WorkbookWriter::FreezeFirstRow(std::size_t sheet) {
    worksheet_freeze_panes(sheets_.at(sheet), 1, 0);
}

void WorkbookWriter::Close() {
    CheckRowFiles();
    errno = 0;
    const lxw_error error = workbook_close(workbook_);
    const int systemError = errno;
    // workbook_close frees the workbook whatever its outcome.
    workbook_ = nullptr;
    sheets_.clear();
    if (error == LXW_NO_ERROR)
        return;
    QString reason = QString::fromUtf8(lxw_strerror(error));
    if (systemError != 0)
        reason += u' ' + SystemReason(systemError) + u'.';
    throw MessageError(QStringLiteral("Cannot write file \"%1\". %2").arg(shownPath_, reason));
}

void WorkbookWriter::Check(int error) const {
    if (error == LXW_NO_ERROR)
        return;
    throw MessageError(
        QStringLiteral("Cannot write file \"%1\". %2")
            .arg(shownPath_, QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error)))));
}

// libxlsxwriter does not look at the outcome of its writes to the rows' temporary files, so a
// full disk would give a workbook with rows missing; this looks before the workbook is put
// together.
void WorkbookWriter::CheckRowFiles() const {
    for (lxw_worksheet* sheet : sheets_) {
        FILE* rows = sheet->optimize_tmpfile;
        if (rows == nullptr)
            continue;
        errno = 0;
        const bool flushed = std::fflush(rows) == 0;
        if (flushed && !std::ferror(rows))
            continue;
        const int error = !flushed && errno != 0 ? errno : EIO;
        throw MessageError(QStringLiteral("Cannot write a temporary file in \"%1\" for \"%2\". %3")
                               .arg(QFile::decodeName(tempDir_), shownPath_, SystemReason(error)));
    }
}

void WorkbookWriter::Discard() {
    if (workbook_ == nullptr)
        return;
    // lxw_workbook_free leaves the rows' temporary files open.
    for (lxw_worksheet* sheet : sheets_) {
        if (sheet->optimize_tmpfile != nullptr) {
            std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
        }
    }
    sheets_.clear();
    lxw_workbook_free(workbook_);
    workbook_ = nullptr;
}
