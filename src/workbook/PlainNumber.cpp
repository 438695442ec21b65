#include "workbook/PlainNumber.h"

#include <charconv>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t DigitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - from;
}

} // namespace

std::optional<double> PlainNumber(std::string_view field) {
    std::size_t pos = field.starts_with('-') ? 1 : 0;
    const std::size_t wholeDigits = DigitRun(field, pos);
    if (wholeDigits == 0 || (wholeDigits > 1 && field[pos] == '0'))
        return std::nullopt;
    int digits = field[pos] == '0' ? 0 : static_cast<int>(wholeDigits);
    pos += wholeDigits;
    if (pos < field.size() && field[pos] == '.') {
        const std::size_t fractionDigits = DigitRun(field, pos + 1);
        digits += static_cast<int>(fractionDigits);
        pos += 1 + fractionDigits;
    }
    if (pos != field.size() || digits > kNumberDigitLimit)
        return std::nullopt;

    // "40." is read as "40".
    if (field.ends_with('.'))
        field.remove_suffix(1);
    double value = 0;
    const char* const last = field.data() + field.size();
    const auto [end, error] = std::from_chars(field.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    // "-0" is the number 0, not a negative zero shown as "-0".
    return value == 0 ? 0.0 : value;
}
