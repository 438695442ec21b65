// One conversion of a table into an .xlsx workbook in a process of its own, so that
// bench/workbook-vs-libreoffice.sh can time it and take its peak memory the same way as
// LibreOffice's:
//
//   workbook_convert layer TABLE WORKBOOK   the harvest's steps (SpreadsheetTable)
//   workbook_convert bare TABLE WORKBOOK    the practical limit: a bare libxlsxwriter loop over
//                                           the same table (getline, split at TAB, the same
//                                           number rule, strings and numbers in constant-memory
//                                           mode, nothing else), as in WorkbookBench.cpp
//
// Prints the table's line count.
#include "workbook/PlainNumber.h"
#include "workbook/SpreadsheetTable.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <xlsxwriter.h>

namespace {

long long ConvertWithLayer(const QString& table, const QString& workbook) {
    SpreadsheetTable sheet;
    sheet.OpenText(table);
    const long long rows = sheet.UsedRowCount();
    sheet.FreezeHeaderRow();
    sheet.SaveAs(workbook);
    sheet.Close();
    return rows;
}

long long ConvertBare(const QString& table, const QString& workbook) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(workbook).constData(), &options);
    if (book == nullptr)
        throw std::runtime_error("bare loop: workbook_new_opt failed");
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    std::FILE* file = std::fopen(QFile::encodeName(table).constData(), "rb");
    if (file == nullptr)
        throw std::runtime_error("bare loop: cannot open the table");
    char* line = nullptr;
    std::size_t capacity = 0;
    lxw_row_t row = 0;
    for (ssize_t length; (length = getline(&line, &capacity, file)) > 0; ++row) {
        std::string_view rest(line, static_cast<std::size_t>(length));
        while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
            rest.remove_suffix(1);
        for (lxw_col_t column = 0;; ++column) {
            const std::size_t tab = rest.find('\t');
            std::string field(rest.substr(0, tab));
            if (const auto number = PlainNumber(field))
                worksheet_write_number(sheet, row, column, *number, nullptr);
            else if (!field.empty())
                worksheet_write_string(sheet, row, column, field.c_str(), nullptr);
            if (tab == std::string_view::npos)
                break;
            rest.remove_prefix(tab + 1);
        }
    }
    std::free(line);
    std::fclose(file);
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("bare loop: workbook_close failed");
    return row;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "layer") != 0 && std::strcmp(argv[1], "bare") != 0)) {
        std::fprintf(stderr, "usage: workbook_convert layer|bare TABLE WORKBOOK\n");
        return 2;
    }
    try {
        const QString table = QFile::decodeName(argv[2]);
        const QString workbook = QFile::decodeName(argv[3]);
        const long long rows = std::strcmp(argv[1], "layer") == 0
                                   ? ConvertWithLayer(table, workbook)
                                   : ConvertBare(table, workbook);
        std::printf("%lld\n", rows);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "workbook_convert: %s\n", failure.what());
        return 1;
    }
    return 0;
}
