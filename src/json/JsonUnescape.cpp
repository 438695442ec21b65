#include "json/JsonUnescape.h"

#include <algorithm>

namespace {

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The escapes u (four hexadecimal digits) and x (two) give one code unit; with fewer digits the
// letter stands for itself and nothing more is consumed.
const char16_t* readHexUnit(const char16_t* from, const char16_t* end, int digits, char16_t*& out) {
    if (end - from < digits)
        return nullptr;
    char16_t unit = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hexDigit(from[i]);
        if (digit < 0)
            return nullptr;
        unit = static_cast<char16_t>((unit << 4) | digit);
    }
    *out++ = unit;
    return from + digits;
}

// Reads the escape whose letter is at from (just after its backslash) into out; returns where
// the text goes on.
const char16_t* readEscape(const char16_t* from, const char16_t* end, char16_t*& out) {
    const char16_t c = *from++;
    switch (c) {
    case u'b':
        *out++ = u'\b';
        return from;
    case u'f':
        *out++ = u'\f';
        return from;
    case u'n':
        *out++ = u'\n';
        return from;
    case u'r':
        *out++ = u'\r';
        return from;
    case u't':
        *out++ = u'\t';
        return from;
    case u'u':
        if (const char16_t* next = readHexUnit(from, end, 4, out))
            return next;
        break;
    case u'x':
        if (const char16_t* next = readHexUnit(from, end, 2, out))
            return next;
        break;
    default:
        break;
    }
    *out++ = c; // no meaning of its own: stands for itself
    return from;
}

} // namespace

std::size_t JsonUnescape(const char16_t* from, const char16_t* end, char16_t* out) {
    char16_t* const start = out;
    while (from < end) {
        const char16_t* run = from;
        while (from < end && *from != u'\\')
            ++from;
        out = std::copy(run, from, out);
        if (from == end)
            break;
        if (++from == end) {
            *out++ = u'\\';
            break;
        }
        from = readEscape(from, end, out);
    }
    return static_cast<std::size_t>(out - start);
}
