#pragma once

#include "json/JsonValue.h"
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <optional>

// The read operations through which every portal answer is taken apart. None of them fails:
// where nothing is found they give no value (nullptr / std::nullopt), the empty text, 0 or no
// array.

// Lenient parse of a whole answer text. Text that does not begin a JSON value (the empty text
// included) becomes a text value; a malformed or cut-short JSON value gives no value.
//
// The parse takes at most memoryBudget bytes for the value and its own work; an answer that
// needs more gives no value, as a cut-short one does. The default is 8 times the text's own
// size (16 bytes per UTF-16 code unit), at least 64 KiB: the portal's answers take a fraction
// of it, and no answer can take the program's memory with it. Only long arrays of one-character
// values ([0,0,...] past a few thousand elements) need more than the default.
std::size_t DefaultParseBudget(QStringView text);
std::optional<JsonValue> ParseLenient(QStringView text);
std::optional<JsonValue> ParseLenient(QStringView text, std::size_t memoryBudget);

// Follows a path of member names joined by "." ("address.region").
const JsonValue* ValueAt(const JsonValue* value, QStringView path);
inline const JsonValue* ValueAt(const std::optional<JsonValue>& value, QStringView path) {
    return ValueAt(value ? &*value : nullptr, path);
}

// Own text of the value at the path; the empty text when there is none.
QString TextAt(const JsonValue* value, QStringView path);
inline QString TextAt(const std::optional<JsonValue>& value, QStringView path) {
    return TextAt(value ? &*value : nullptr, path);
}

// Integer of the value at the path: numbers rounded half to even, texts read as whole decimal
// integers, booleans 1/0, everything else 0.
std::int64_t IntegerAt(const JsonValue* value, QStringView path);
inline std::int64_t IntegerAt(const std::optional<JsonValue>& value, QStringView path) {
    return IntegerAt(value ? &*value : nullptr, path);
}

// Own text of a value: texts as they are, everything else in its compact JSON form.
QString OwnText(const JsonValue& value);

// The elements when the value is an array; nullptr ("no array") otherwise.
const JsonArray* AsArray(const JsonValue* value);
inline const JsonArray* AsArray(const std::optional<JsonValue>& value) {
    return AsArray(value ? &*value : nullptr);
}

inline std::int64_t ElementCount(const JsonArray& array) {
    return static_cast<std::int64_t>(array.size());
}

// The element at a zero-based index, or nullptr when the index is out of range.
const JsonValue* ElementAt(const JsonArray& array, std::int64_t index);
