#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Column widths sized to the longest field seen in each column (the header and the first rows
// are shown to it), within a floor and a cap, in Excel's width unit (the width of one digit).
class ColumnWidths {
public:
    static constexpr double kNarrowest = 8.43; // Excel's default width
    static constexpr double kWidest = 60;

    void Measure(std::size_t column, std::string_view utf8Field);

    // Columns measured so far: the widest line's field count.
    std::size_t ColumnCount() const { return longest_.size(); }
    double Width(std::size_t column) const;

private:
    std::vector<std::size_t> longest_;
};

// Characters of a UTF-8 text as Excel counts them (UTF-16 units); a byte that starts no
// character counts as one.
std::size_t DisplayLength(std::string_view utf8);
