#include "json/JsonAccess.h"

#include <cmath>
#include <limits>

namespace {

// Rounds ten-thousandths to the nearest whole number, halves to the even neighbour.
std::int64_t roundTenThousandths(std::int64_t count) {
    std::int64_t whole = count / 10000;
    const std::int64_t rest = count % 10000; // same sign as count
    if (rest > 5000 || (rest == 5000 && whole % 2 != 0))
        ++whole;
    else if (rest < -5000 || (rest == -5000 && whole % 2 != 0))
        --whole;
    return whole;
}

std::int64_t roundFloating(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (rounded >= 9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::max();
    if (rounded < -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rounded);
}

// The whole text as a decimal integer with an optional sign; 0 otherwise.
std::int64_t textAsInteger(QStringView text) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok)
        return 0;
    for (const QChar c :
         text) { // toLongLong forgives surrounding white space; the whole text must be the number
        if (c.isSpace())
            return 0;
    }
    return value;
}

} // namespace

const JsonValue* ValueAt(const JsonValue* value, QStringView path) {
    qsizetype start = 0;
    while (value != nullptr) {
        const qsizetype dot = path.indexOf(u'.', start);
        const QStringView name = path.sliced(start, (dot < 0 ? path.size() : dot) - start);
        value = value->member(name);
        if (dot < 0)
            return value;
        start = dot + 1;
    }
    return nullptr;
}

QString TextAt(const JsonValue* value, QStringView path) {
    const JsonValue* found = ValueAt(value, path);
    return found ? OwnText(*found) : QString();
}

std::int64_t IntegerAt(const JsonValue* value, QStringView path) {
    const JsonValue* found = ValueAt(value, path);
    if (found == nullptr)
        return 0;
    switch (found->kind()) {
    case JsonKind::Integer:
        return found->asInteger();
    case JsonKind::FixedPoint:
        return roundTenThousandths(found->asTenThousandths());
    case JsonKind::Floating:
        return roundFloating(found->asFloating());
    case JsonKind::Boolean:
        return found->asBoolean() ? 1 : 0;
    case JsonKind::Text:
        return textAsInteger(found->asText());
    case JsonKind::Null:
    case JsonKind::Array:
    case JsonKind::Object:
        return 0;
    }
    return 0;
}

const JsonArray* AsArray(const JsonValue* value) {
    if (value == nullptr || value->kind() != JsonKind::Array)
        return nullptr;
    return &value->elements();
}

const JsonValue* ElementAt(const JsonArray& array, std::int64_t index) {
    if (index < 0 || index >= ElementCount(array))
        return nullptr;
    return &array[static_cast<std::size_t>(index)];
}
