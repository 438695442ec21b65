#pragma once

#include "json/JsonAccess.h"

#include <QString>
#include <optional>
#include <ostream>

// The compact text of a parse result, or "<no value>", so that tests can compare results whole.
inline QString DescribeParse(const QString& input) {
    const std::optional<JsonValue> value = ParseLenient(input);
    if (!value)
        return QStringLiteral("<no value>");
    return OwnText(*value);
}

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
