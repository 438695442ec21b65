#pragma once

#include <cstddef>

// Writes the code units [from, end) with their backslash escapes read into out, which has room
// for end - from units, and returns how many it wrote (internal to src/json). \b \f \n \r \t
// have their usual meaning, \u with four hexadecimal digits and \x with two give one code unit,
// any other escaped character (or \u, \x without their digits) stands for itself; a backslash
// at the very end stays as it is.
std::size_t JsonUnescape(const char16_t* from, const char16_t* end, char16_t* out);
