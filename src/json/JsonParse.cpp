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

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr int kMaxDepth = 31;

bool isWhiteSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\b';
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(const char16_t* begin, const char16_t* end) : p_(begin), end_(end) {}

    std::optional<JsonValue> parseDocument() {
        skipWhiteSpaceAndComments();
        if (!beginsValue())
            return JsonValue::text(restAsText());
        JsonValue value;
        if (!parseValue(1, value))
            return std::nullopt;
        return value;
    }

private:
    static constexpr std::size_t kNameCacheSize = 64;

    const char16_t* p_;
    const char16_t* end_;
    std::array<QString, kNameCacheSize> nameCache_;

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

    // The escapes u (four hexadecimal digits) and x (two) give one code unit; with fewer digits
    // the letter stands for itself and nothing more is consumed.
    bool readHexUnit(int digits, QString& out) {
        if (end_ - p_ < digits)
            return false;
        char16_t unit = 0;
        for (int i = 0; i < digits; ++i) {
            const int digit = hexDigit(p_[i]);
            if (digit < 0)
                return false;
            unit = static_cast<char16_t>((unit << 4) | digit);
        }
        out.append(QChar(unit));
        p_ += digits;
        return true;
    }

    // Reads one escape after its backslash into out; p_ is on the character after the backslash.
    void readEscape(QString& out) {
        const char16_t c = *p_++;
        switch (c) {
        case u'b':
            out.append(QChar(u'\b'));
            return;
        case u'f':
            out.append(QChar(u'\f'));
            return;
        case u'n':
            out.append(QChar(u'\n'));
            return;
        case u'r':
            out.append(QChar(u'\r'));
            return;
        case u't':
            out.append(QChar(u'\t'));
            return;
        case u'u':
            if (readHexUnit(4, out))
                return;
            break;
        case u'x':
            if (readHexUnit(2, out))
                return;
            break;
        default:
            break;
        }
        out.append(QChar(c)); // no meaning of its own: stands for itself
    }

    QString restAsText() {
        QString text;
        text.reserve(end_ - p_);
        while (p_ < end_) {
            if (*p_ == u'\\' && p_ + 1 < end_) {
                ++p_;
                readEscape(text);
            } else {
                text.append(QChar(*p_++));
            }
        }
        qsizetype length = text.size();
        while (length > 0) {
            const QChar last = text.at(length - 1);
            if (last != u' ' && last != u'\r' && last != u'\n')
                break;
            --length;
        }
        text.truncate(length);
        return text;
    }

    // Member names repeat from item to item; a name without escapes is shared with its earlier
    // occurrence instead of being copied again.
    bool parseName(QString& out) {
        const char16_t quote = *p_;
        const char16_t* start = p_ + 1;
        const char16_t* scan = start;
        std::uint32_t hash = 0;
        while (scan < end_ && *scan != quote && *scan != u'\\') {
            hash = hash * 129u + *scan + 0x9E370001u;
            ++scan;
        }
        if (scan >= end_ || *scan != quote)
            return parseString(out);
        const QStringView name(start, scan - start);
        QString& cached = nameCache_[hash % kNameCacheSize];
        if (cached != name)
            cached = name.toString();
        out = cached;
        p_ = scan + 1;
        return true;
    }

    bool parseString(QString& out) {
        const char16_t quote = *p_++;
        const char16_t* runStart = p_;
        while (p_ < end_) {
            const char16_t c = *p_;
            if (c == quote) {
                out.append(reinterpret_cast<const QChar*>(runStart), p_ - runStart);
                ++p_;
                return true;
            }
            if (c == u'\\') {
                out.append(reinterpret_cast<const QChar*>(runStart), p_ - runStart);
                ++p_;
                if (atEnd())
                    return false;
                readEscape(out);
                runStart = p_;
            } else {
                ++p_;
            }
        }
        return false; // unclosed
    }

    bool parseNumber(JsonValue& out) {
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
                out = hasPoint ? JsonValue::fixedPoint(value) : JsonValue::integer(value);
                return true;
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
        out = JsonValue::floating(value);
        return true;
    }

    // An unquoted member name runs up to the colon; surrounding white space is not part of it.
    bool parseBareName(QString& out) {
        const char16_t* start = p_;
        while (p_ < end_ && *p_ != u':') {
            if (*p_ == u'}' || *p_ == u',' || *p_ == u'{' || *p_ == u'[' || *p_ == u']')
                return false;
            ++p_;
        }
        if (atEnd())
            return false;
        const char16_t* last = p_;
        while (last > start && isWhiteSpace(last[-1]))
            --last;
        if (last == start)
            return false;
        out = QString(reinterpret_cast<const QChar*>(start), last - start);
        return true;
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

    bool parseArray(int depth, JsonValue& out) {
        JsonArray elements;
        const bool complete = parseSequence(u']', depth, [&] {
            elements.emplace_back();
            return parseValue(depth + 1, elements.back());
        });
        if (complete)
            out = JsonValue::array(std::move(elements));
        return complete;
    }

    bool parseObject(int depth, JsonValue& out) {
        std::vector<JsonMember> members;
        members.reserve(8);
        const bool complete = parseSequence(u'}', depth, [&] {
            if (atEnd())
                return false;
            JsonMember& member = members.emplace_back();
            if (*p_ == u'"' || *p_ == u'\'') {
                if (!parseName(member.name))
                    return false;
                skipWhiteSpaceAndComments();
            } else if (!parseBareName(member.name)) {
                return false;
            }
            if (atEnd() || *p_ != u':')
                return false;
            ++p_;
            skipWhiteSpaceAndComments();
            return parseValue(depth + 1, member.value);
        });
        if (complete)
            out = JsonValue::object(std::move(members));
        return complete;
    }

    bool parseValue(int depth, JsonValue& out) {
        if (atEnd())
            return false;
        switch (*p_) {
        case u'{':
            return parseObject(depth, out);
        case u'[':
            return parseArray(depth, out);
        case u'"':
        case u'\'': {
            QString text;
            if (!parseString(text))
                return false;
            out = JsonValue::text(std::move(text));
            return true;
        }
        default:
            break;
        }
        if (*p_ == u'-' || isDigit(*p_))
            return parseNumber(out);
        if (startsWith(u"true")) {
            p_ += 4;
            out = JsonValue::boolean(true);
            return true;
        }
        if (startsWith(u"false")) {
            p_ += 5;
            out = JsonValue::boolean(false);
            return true;
        }
        if (startsWith(u"null")) {
            p_ += 4;
            out = JsonValue();
            return true;
        }
        return false;
    }
};

} // namespace

std::optional<JsonValue> ParseLenient(QStringView text) {
    const auto* begin = reinterpret_cast<const char16_t*>(text.utf16());
    return Parser(begin, begin + text.size()).parseDocument();
}
