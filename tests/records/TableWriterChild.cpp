// Writes a table for the process tests: table_writer_child <directory> <tick> <rows> <hold after>
// After every row it prints "row N"; after row <hold after> it prints "holding" and waits for a
// line on stdin before going on. At the end it prints "done", closes the table and exits 0.
// A failure prints "error: <message>" and exits 1.

#include "ChildRows.h"
#include "records/OutputTable.h"
#include "records/RecordsError.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void Say(const std::string& line) {
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: table_writer_child <directory> <tick> <rows> <hold after>\n", stderr);
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const auto tick = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const int rows = std::atoi(argv[3]);
    const int holdAfter = std::atoi(argv[4]);
    try {
        OutputTable table(directory, tick);
        table.Open();
        Say("open");
        for (int index = 0; index < rows; ++index) {
            table.AppendRow(ChildRow(index));
            Say("row " + std::to_string(index + 1));
            if (index + 1 == holdAfter) {
                Say("holding");
                std::string line;
                std::getline(std::cin, line);
            }
        }
        Say("done");
        table.Close();
    } catch (const RecordsError& error) {
        Say(std::string("error: ") + error.what());
        return 1;
    }
    return 0;
}
