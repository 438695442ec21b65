// Own text of a JSON value: compact JSON with no white space, texts inside arrays and objects
// quoted with exactly four characters escaped.
#include "json/JsonAccess.h"
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

void appendQuoted(QString& out, QStringView text) {
    out.append(u'"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out.append(u"\\\"");
            break;
        case u'\\':
            out.append(u"\\\\");
            break;
        case u'/':
            out.append(u"\\/");
            break;
        case 0:
            out.append(u"\\u0000");
            break;
        default:
            out.append(c);
            break;
        }
    }
    out.append(u'"');
}

// Ten-thousandths: the whole part, a point, the fraction without trailing zeros ("40.", "0.5").
QString fixedPointText(std::int64_t count) {
    if (count == 0)
        return QStringLiteral("0");
    const bool negative = count < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits;
    std::string padded(written < 5 ? 5 - written : 0, '0');
    padded.append(digits, written);
    std::string fraction = padded.substr(padded.size() - 4);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    std::string text = negative ? "-" : "";
    text += padded.substr(0, padded.size() - 4) + "." + fraction;
    return QString::fromLatin1(text);
}

// 15 significant digits, "." as the point whatever the locale; plain notation for ordinary
// magnitudes, exponential otherwise. A whole number keeps its point, as fixed-point numbers do;
// zero is "0" as a fixed-point zero is.
QString floatingText(double value) {
    if (value == 0)
        return QStringLiteral("0"); // also -0, like the fixed-point zero
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos)
        text += '.';
    return QString::fromLatin1(text);
}

void appendJsonForm(QString& out, const JsonValue& value);

void appendOwnText(QString& out, const JsonValue& value) {
    switch (value.kind()) {
    case JsonKind::Null:
        out.append(u"null");
        return;
    case JsonKind::Boolean:
        out.append(value.asBoolean() ? u"true" : u"false");
        return;
    case JsonKind::Integer:
        out.append(QString::number(value.asInteger()));
        return;
    case JsonKind::FixedPoint:
        out.append(fixedPointText(value.asTenThousandths()));
        return;
    case JsonKind::Floating:
        out.append(floatingText(value.asFloating()));
        return;
    case JsonKind::Text:
        out.append(value.asText());
        return;
    case JsonKind::Array: {
        out.append(u'[');
        bool first = true;
        for (const JsonValue& element : value.elements()) {
            if (!first)
                out.append(u',');
            first = false;
            appendJsonForm(out, element);
        }
        out.append(u']');
        return;
    }
    case JsonKind::Object: {
        out.append(u'{');
        bool first = true;
        for (const JsonMember& member : value.members()) {
            if (!first)
                out.append(u',');
            first = false;
            appendQuoted(out, member.name());
            out.append(u':');
            appendJsonForm(out, member.value());
        }
        out.append(u'}');
        return;
    }
    }
}

void appendJsonForm(QString& out, const JsonValue& value) {
    if (value.kind() == JsonKind::Text)
        appendQuoted(out, value.asText());
    else
        appendOwnText(out, value);
}

} // namespace

QString OwnText(const JsonValue& value) {
    if (value.kind() == JsonKind::Text)
        return value.asText().toString();
    QString text;
    appendOwnText(text, value);
    return text;
}
