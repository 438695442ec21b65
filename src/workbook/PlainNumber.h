#pragma once

#include <optional>
#include <string_view>

// The most digits a number cell keeps exactly; a longer digit string stays text, so no digit of
// an identifier is lost to rounding.
inline constexpr int kNumberDigitLimit = 15;

// The value of a field that is a plain decimal number: an optional "-", the whole part (digits,
// no leading zero unless the whole part is "0"), then optionally "." and fraction digits ("40."
// included), at most kNumberDigitLimit digits in all (a whole part "0" not counted). Any other
// field (leading zeros, "+", spaces, exponents, a comma) is no number. Independent of the locale.
std::optional<double> PlainNumber(std::string_view field);
