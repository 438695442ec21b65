#include "workbook/ColumnWidths.h"

#include <algorithm>

std::size_t DisplayLength(std::string_view utf8) {
    std::size_t length = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            ++length;
        // A four-byte sequence is a surrogate pair in UTF-16.
        if (byte >= 0xF0 && byte <= 0xF4)
            ++length;
    }
    return length;
}

void ColumnWidths::Measure(std::size_t column, std::string_view utf8Field) {
    if (column >= longest_.size())
        longest_.resize(column + 1, 0);
    longest_[column] = std::max(longest_[column], DisplayLength(utf8Field));
}

double ColumnWidths::Width(std::size_t column) const {
    const std::size_t chars = column < longest_.size() ? longest_[column] : 0;
    // Letters run a little wider than digits; two more for the cell's margins and the bold header.
    const double width = static_cast<double>(chars) * 1.1 + 2;
    return std::clamp(width, kNarrowest, kWidest);
}
