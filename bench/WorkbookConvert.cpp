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
#include "BareWorkbookLoop.h"
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
                                   : BareLibxlsxwriterLoop(table, workbook);
        std::printf("%lld\n", rows);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "workbook_convert: %s\n", failure.what());
        return 1;
    }
    return 0;
}
