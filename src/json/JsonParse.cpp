// Lenient parse of a portal answer into a JSON value.
//
// Beyond standard JSON it accepts comments, single-quoted strings, unquoted member names,
// "\x" escapes and unknown escapes standing for themselves. Anything after the first value is
// ignored; text that does not begin a value becomes a text value.
//
// Choices where the answer is not a valid number: a number ends at the first character that
// cannot continue it (so "1-2" at the top level reads as 1, and inside an array or object the
// "-" is a missing comma); "1." and "1.e5" read as numbers with no fraction digits; a minus
// sign or an exponent marker with no digit after it is malformed. Integers and fixed-point
// numbers beyond the 64-bit range become floating values; magnitudes beyond the double range
// become the largest finite double (or zero), so no infinity ever reaches a text.
#include "json/JsonAccess.h"
#include "json/JsonTree.h"
#include "json/JsonUnescape.h"
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr int kMaxDepth = 31;
constexpr std::size_t kBudgetPerCodeUnit = 16; // 8 times the text's own size
constexpr std::size_t kLeastBudget = 64 * 1024;

bool isWhiteSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\b';
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A quoted string's code units between its quotes, and whether they hold escapes.
struct QuotedUnits {
    const char16_t* begin;
    const char16_t* end;
    bool escaped;

    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    std::size_t write(char16_t* out) const {
        if (escaped)
            return JsonUnescape(begin, end, out);
        std::copy(begin, end, out);
        return size();
    }
};

class Parser {
public:
    Parser(const char16_t* begin, const char16_t* end, std::size_t budget)
        : p_(begin), end_(end),
          tree_(budget, static_cast<std::size_t>(end - begin) * sizeof(char16_t)) {}

    std::optional<JsonValue> parseDocument() {
        skipWhiteSpaceAndComments();
        if (!(beginsValue() ? parseValue(1) : pushRestAsText()))
            return std::nullopt;
        return tree_.finish();
    }

private:
    const char16_t* p_;
    const char16_t* end_;
    JsonTree tree_;

    bool atEnd() const { return p_ >= end_; }

    bool startsWith(std::u16string_view word) const {
        return static_cast<std::size_t>(end_ - p_) >= word.size() &&
               std::u16string_view(p_, word.size()) == word;
    }

    void skipWhiteSpaceAndComments() {
        while (p_ < end_) {
            if (isWhiteSpace(*p_)) {
                ++p_;
            } else if (*p_ == u'/' && p_ + 1 < end_ && p_[1] == u'*') {
                p_ += 2;
                while (p_ < end_ && !(*p_ == u'*' && p_ + 1 < end_ && p_[1] == u'/'))
                    ++p_;
                p_ = p_ < end_ ? p_ + 2 : end_;
            } else if (*p_ == u'/' && p_ + 1 < end_ && p_[1] == u'/') {
                while (p_ < end_ && *p_ != u'\n')
                    ++p_;
            } else {
                return;
            }
        }
    }

    bool beginsValue() const {
        if (atEnd())
            return false;
        const char16_t c = *p_;
        return c == u'{' || c == u'[' || c == u'"' || c == u'\'' || c == u'-' || isDigit(c) ||
               startsWith(u"true") || startsWith(u"false") || startsWith(u"null");
    }

    // Everything from here to the end as the text value at the top, escapes read and trailing
    // spaces, carriage returns and line feeds removed.
    bool pushRestAsText() {
        const char16_t* from = p_;
        p_ = end_;
        return tree_.pushText(static_cast<std::size_t>(end_ - from), true, [&](char16_t* room) {
            std::size_t size = JsonUnescape(from, end_, room);
            while (size > 0 &&
                   (room[size - 1] == u' ' || room[size - 1] == u'\r' || room[size - 1] == u'\n'))
                --size;
            return size;
        });
    }

    // From the opening quote to past the closing one; false when the text ends first. A
    // backslash always takes the unit after it along, whatever escape it makes.
    bool readQuoted(QuotedUnits& units) {
        const char16_t quote = *p_;
        units = {p_ + 1, p_ + 1, false};
        for (const char16_t* scan = units.begin; scan < end_; ++scan) {
            if (*scan == quote) {
                units.end = scan;
                p_ = scan + 1;
                return true;
            }
            if (*scan == u'\\') {
                units.escaped = true;
                if (++scan == end_)
                    break;
            }
        }
        return false;
    }

    bool parseText(bool root) {
        QuotedUnits units;
        return readQuoted(units) && tree_.pushText(units.size(), root, [&](char16_t* room) {
            return units.write(room);
        });
    }

    const JsonName* parseQuotedName() {
        QuotedUnits units;
        if (!readQuoted(units))
            return nullptr;
        if (!units.escaped)
            return tree_.name(std::u16string_view(units.begin, units.size()));
        return tree_.name(units.size(), [&](char16_t* room) { return units.write(room); });
    }

    // An unquoted member name runs up to the colon; surrounding white space is not part of it.
    const JsonName* parseBareName() {
        const char16_t* start = p_;
        while (p_ < end_ && *p_ != u':') {
            if (*p_ == u'}' || *p_ == u',' || *p_ == u'{' || *p_ == u'[' || *p_ == u']')
                return nullptr;
            ++p_;
        }
        if (atEnd())
            return nullptr;
        const char16_t* last = p_;
        while (last > start && isWhiteSpace(last[-1]))
            --last;
        if (last == start)
            return nullptr;
        return tree_.name(std::u16string_view(start, static_cast<std::size_t>(last - start)));
    }

    bool parseNumber() {
        const char16_t* start = p_;
        const bool negative = *p_ == u'-';
        if (negative)
            ++p_;
        const char16_t* wholeStart = p_;
        while (p_ < end_ && isDigit(*p_))
            ++p_;
        const char16_t* wholeEnd = p_;
        if (wholeStart == wholeEnd)
            return false;
        bool hasPoint = false;
        const char16_t* fractionStart = p_;
        const char16_t* fractionEnd = p_;
        if (p_ < end_ && *p_ == u'.') {
            hasPoint = true;
            ++p_;
            fractionStart = p_;
            while (p_ < end_ && isDigit(*p_))
                ++p_;
            fractionEnd = p_;
        }
        bool hasExponent = false;
        if (p_ < end_ && (*p_ == u'e' || *p_ == u'E')) {
            hasExponent = true;
            ++p_;
            if (p_ < end_ && (*p_ == u'+' || *p_ == u'-'))
                ++p_;
            const char16_t* digits = p_;
            while (p_ < end_ && isDigit(*p_))
                ++p_;
            if (digits == p_)
                return false;
        }

        const auto fractionDigits = fractionEnd - fractionStart;
        if (!hasExponent && (!hasPoint || fractionDigits <= 4)) {
            // Integer or fixed-point: accumulate the magnitude, in ten-thousandths when a point.
            constexpr std::uint64_t limit =
                std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1;
            std::uint64_t magnitude = 0;
            bool overflow = false;
            auto push = [&](int digit) {
                if (magnitude > (limit - digit) / 10)
                    overflow = true;
                else
                    magnitude = magnitude * 10 + digit;
            };
            for (const char16_t* d = wholeStart; d < wholeEnd && !overflow; ++d)
                push(*d - u'0');
            if (hasPoint) {
                for (int i = 0; i < 4 && !overflow; ++i)
                    push(i < fractionDigits ? fractionStart[i] - u'0' : 0);
            }
            if (!overflow && (negative || magnitude < limit)) {
                const std::int64_t value = negative ? static_cast<std::int64_t>(0 - magnitude)
                                                    : static_cast<std::int64_t>(magnitude);
                return tree_.pushScalar(hasPoint ? JsonValue::fixedPoint(value)
                                                 : JsonValue::integer(value));
            }
        }

        std::string ascii;
        ascii.reserve(p_ - start);
        for (const char16_t* c = start; c < p_; ++c)
            ascii.push_back(static_cast<char>(*c));
        double value = 0;
        const auto [ptr, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
        if (error == std::errc::result_out_of_range) {
            // Beyond the double range: the largest finite value, or zero for tiny magnitudes.
            const auto exponent = ascii.find_first_of("eE");
            const bool tiny =
                exponent != std::string::npos && ascii.find('-', exponent) != std::string::npos;
            value = tiny ? 0.0 : std::numeric_limits<double>::max();
            if (negative)
                value = -value;
        } else if (error != std::errc() || ptr != ascii.data() + ascii.size()) {
            return false;
        }
        return tree_.pushScalar(JsonValue::floating(value));
    }

    // The elements or members between an opening bracket or brace and its closing one, each read
    // by readItem and separated by commas. Only a container that holds something counts towards
    // the nesting limit.
    template <typename ReadItem> bool parseSequence(char16_t close, int depth, ReadItem readItem) {
        ++p_;
        skipWhiteSpaceAndComments();
        if (p_ < end_ && *p_ == close) {
            ++p_;
            return true;
        }
        if (depth > kMaxDepth)
            return false;
        for (;;) {
            skipWhiteSpaceAndComments();
            if (!readItem())
                return false;
            skipWhiteSpaceAndComments();
            if (atEnd())
                return false;
            if (*p_ == u',') {
                ++p_;
                continue;
            }
            if (*p_ != close)
                return false;
            ++p_;
            return true;
        }
    }

    bool parseArray(int depth) {
        const std::size_t mark = tree_.valueMark();
        return parseSequence(u']', depth, [&] { return parseValue(depth + 1); }) &&
               tree_.closeArray(mark, depth == 1);
    }

    bool parseObject(int depth) {
        const std::size_t mark = tree_.memberMark();
        return parseSequence(u'}', depth,
                             [&] {
                                 if (atEnd())
                                     return false;
                                 const JsonName* name = nullptr;
                                 if (*p_ == u'"' || *p_ == u'\'') {
                                     name = parseQuotedName();
                                     skipWhiteSpaceAndComments();
                                 } else {
                                     name = parseBareName();
                                 }
                                 if (name == nullptr || atEnd() || *p_ != u':')
                                     return false;
                                 ++p_;
                                 skipWhiteSpaceAndComments();
                                 return parseValue(depth + 1) && tree_.addMember(name);
                             }) &&
               tree_.closeObject(mark, depth == 1);
    }

    // Reads one value and pushes it onto the tree; depth 1 is the value at the top.
    bool parseValue(int depth) {
        if (atEnd())
            return false;
        switch (*p_) {
        case u'{':
            return parseObject(depth);
        case u'[':
            return parseArray(depth);
        case u'"':
        case u'\'':
            return parseText(depth == 1);
        default:
            break;
        }
        if (*p_ == u'-' || isDigit(*p_))
            return parseNumber();
        if (startsWith(u"true")) {
            p_ += 4;
            return tree_.pushScalar(JsonValue::boolean(true));
        }
        if (startsWith(u"false")) {
            p_ += 5;
            return tree_.pushScalar(JsonValue::boolean(false));
        }
        if (startsWith(u"null")) {
            p_ += 4;
            return tree_.pushScalar(JsonValue());
        }
        return false;
    }
};

} // namespace

std::size_t DefaultParseBudget(QStringView text) {
    return std::max<std::size_t>(kBudgetPerCodeUnit * static_cast<std::size_t>(text.size()),
                                 kLeastBudget);
}

std::optional<JsonValue> ParseLenient(QStringView text) {
    return ParseLenient(text, DefaultParseBudget(text));
}

std::optional<JsonValue> ParseLenient(QStringView text, std::size_t memoryBudget) {
    const char16_t* begin = text.utf16();
    return Parser(begin, begin + text.size(), memoryBudget).parseDocument();
}
