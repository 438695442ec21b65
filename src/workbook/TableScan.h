#pragma once

#include "workbook/ColumnWidths.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

// What the first reading of the table learns: its line count and its column widths.
struct TableOutline {
    std::int64_t lineCount = 0;
    ColumnWidths widths;
};

// Reads the whole table once: counts its lines (a last line without line end included) and sizes
// the columns from its first `sampleLines` lines. Throws MessageError when the file cannot be
// opened or read. `betweenBlocks`, when given, runs before every block and may throw to give up.
TableOutline ScanTable(const QString& path, std::size_t sampleLines,
                       const std::function<void()>& betweenBlocks = {});
