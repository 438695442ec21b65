#include "BareWorkbookLoop.h"

#include "workbook/PlainNumber.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <xlsxwriter.h>

long long BareLibxlsxwriterLoop(const QString& table, const QString& workbook) {
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
