#include "workbook/CellText.h"

#include <QString>
#include <algorithm>

namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr QStringView kUnderscoreEscape = u"_x005F";

// Plain ASCII without NUL and without "_": valid UTF-8 of one UTF-16 unit per byte that needs no
// care beyond the cut.
bool IsPlainAscii(std::string_view field) {
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || byte >= 0x80 || c == '_')
            return false;
    }
    return true;
}

bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

// "_xHHHH_" at `at`: the form in which Excel stores a character by its code.
bool IsEscapeLookalike(const QString& text, qsizetype at) {
    if (at + 7 > text.size() || text[at + 1] != u'x' || text[at + 6] != u'_')
        return false;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        if (!IsHexDigit(text[i]))
            return false;
    }
    return true;
}

QChar Allowed(QChar c) {
    const char16_t u = c.unicode();
    return u == 0 || u == 0xFFFE || u == 0xFFFF ? QChar(kReplacement) : c;
}

} // namespace

bool MakeCellText(std::string_view field, bool overflowed, std::size_t limit, std::string& out) {
    if (IsPlainAscii(field)) {
        const bool cut = overflowed || field.size() > limit;
        out.assign(field.substr(0, std::min(field.size(), limit)));
        return cut;
    }

    const QString text = QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
    const auto room = static_cast<qsizetype>(limit);
    QString cell;
    cell.reserve(std::min(text.size(), room));
    bool cut = overflowed;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const qsizetype units = pair ? 2 : 1;
        const bool escape = text[i] == u'_' && IsEscapeLookalike(text, i);
        const qsizetype needed = units + (escape ? kUnderscoreEscape.size() : 0);
        if (cell.size() + needed > room) {
            cut = true;
            break;
        }
        if (escape)
            cell.append(kUnderscoreEscape);
        if (pair)
            cell.append(QStringView(text).mid(i, 2));
        else
            cell.append(Allowed(text[i]));
        i += units;
    }
    out = cell.toStdString();
    return cut;
}
