#include "records/PassportColumns.h"

#include "json/JsonAccess.h"
#include "records/FieldTexts.h"
#include "records/TableHeader.h"

#include <QHash>

namespace {

// clang-format off
constexpr std::array<QStringView, PassportColumnCount> kCodes = {
    QStringView(u"1"), // 26
    QStringView(u"2"), // 27
    QStringView(u"2.1"), // 28
    QStringView(u"2.2"), // 29
    QStringView(u"2.3"), // 30
    QStringView(u"2.4"), // 31
    QStringView(u"2.5"), // 32
    QStringView(u"2.6"), // 33
    QStringView(u"2.7"), // 34
    QStringView(u"2.8"), // 35
    QStringView(u"2.9"), // 36
    QStringView(u"2.9.1"), // 37
    QStringView(u"2.9.2"), // 38
    QStringView(u"2.10"), // 39
    QStringView(u"2.11"), // 40
    QStringView(u"2.12"), // 41
    QStringView(u"2.13"), // 42
    QStringView(u"2.14"), // 43
    QStringView(u"2.15"), // 44
    QStringView(u"2.15.1"), // 45
    QStringView(u"2.15.2"), // 46
    QStringView(u"2.15.3"), // 47
    QStringView(u"2.16"), // 48
    QStringView(u"2.17"), // 49
    QStringView(u"2.19"), // 50
    QStringView(u"2.20"), // 51
    QStringView(u"2.23"), // 52
    QStringView(u"2.24"), // 53
    QStringView(u"3"), // 54
    QStringView(u"3.1"), // 55
    QStringView(u"3.1.1"), // 56
    QStringView(u"3.1.2"), // 57
    QStringView(u"3.1.3"), // 58
    QStringView(u"3.2"), // 59
    QStringView(u"3.2.1"), // 60
    QStringView(u"3.3"), // 61
    QStringView(u"3.3.1"), // 62
    QStringView(u"3.3.2"), // 63
    QStringView(u"3.3.3"), // 64
    QStringView(u"3.4"), // 65
    QStringView(u"3.4.1"), // 66
    QStringView(u"3.5"), // 67
    QStringView(u"3.5.1"), // 68
    QStringView(u"3.5.2"), // 69
    QStringView(u"3.5.2.1"), // 70
    QStringView(u"3.5.3"), // 71
    QStringView(u"3.5.4"), // 72
    QStringView(u"3.5.4.1"), // 73
    QStringView(u"4"), // 74
    QStringView(u"4.3"), // 75
    QStringView(u"4.4"), // 76
    QStringView(u"4.5"), // 77
    QStringView(u"4.6"), // 78
    QStringView(u"4.6.2"), // 79
    QStringView(u"4.6.3"), // 80
    QStringView(u"4.10"), // 81
    QStringView(u"4.10.1"), // 82
    QStringView(u"5"), // 83
    QStringView(u"5.1"), // 84
    QStringView(u"5.2"), // 85
    QStringView(u"5.3"), // 86
    QStringView(u"5.4"), // 87
    QStringView(u"5.5"), // 88
    QStringView(u"5.5.2"), // 89
    QStringView(u"6"), // 90
    QStringView(u"6.3"), // 91
    QStringView(u"6.4"), // 92
    QStringView(u"6.5"), // 93
    QStringView(u"6.5.2"), // 94
    QStringView(u"6.5.3"), // 95
    QStringView(u"8"), // 96
    QStringView(u"9"), // 97
    QStringView(u"9.3"), // 98
    QStringView(u"16"), // 99
    QStringView(u"16.1"), // 100
    QStringView(u"16.2"), // 101
};
// clang-format on

static_assert(FirstPassportColumn + PassportColumnCount - 1 == TableColumnCount);

// Column slot (0 to 75) of every code the table shows.
const QHash<QStringView, int>& SlotOfCode() {
    static const QHash<QStringView, int> table = [] {
        QHash<QStringView, int> result;
        for (int slot = 0; slot < PassportColumnCount; ++slot)
            result.insert(kCodes[static_cast<std::size_t>(slot)], slot);
        return result;
    }();
    return table;
}

} // namespace

const std::array<QStringView, PassportColumnCount>& PassportParamCodes() {
    return kCodes;
}

QString PassportParamValue(QStringView code, const JsonArray* parameters) {
    if (parameters == nullptr)
        return {};
    for (const JsonValue& parameter : *parameters) {
        if (PlainText(&parameter, u"paramCode") == code)
            return ClearedText(&parameter, u"value");
    }
    return {};
}

void FillPassportColumns(QStringList& row, QStringView passportText) {
    const std::optional<JsonValue> passport = ParseLenient(passportText);
    const JsonArray* parameters = AsArray(ValueAt(passport, u"parameters"));
    if (parameters == nullptr)
        return;
    // One walk over the parameters instead of one per column: the first parameter of each code
    // fills its column, exactly as PassportParamValue would pick it.
    const QHash<QStringView, int>& slotOfCode = SlotOfCode();
    std::array<bool, PassportColumnCount> filled{};
    int left = PassportColumnCount;
    for (const JsonValue& parameter : *parameters) {
        const QString code = PlainText(&parameter, u"paramCode");
        const auto found = slotOfCode.constFind(QStringView(code));
        if (found == slotOfCode.cend())
            continue;
        const int slot = found.value();
        if (filled[static_cast<std::size_t>(slot)])
            continue;
        filled[static_cast<std::size_t>(slot)] = true;
        row[ColumnIndex(FirstPassportColumn + slot)] = ClearedText(&parameter, u"value");
        if (--left == 0)
            break;
    }
}
