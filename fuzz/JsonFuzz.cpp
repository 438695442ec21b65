// Lenient parse, own text and the path readers over arbitrary bytes, read as UTF-8 and as
// raw UTF-16 code units.
#include "json/JsonAccess.h"
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

void exercise(const QString& text) {
    const std::optional<JsonValue> value = ParseLenient(text);
    // A tight budget only ever takes the value away, never changes it.
    const std::optional<JsonValue> tight = ParseLenient(text, 4096);
    if (tight && (!value || OwnText(*tight) != OwnText(*value)))
        __builtin_trap();
    if (!value)
        return;
    const QString own = OwnText(*value);
    // The own text of a parsed container parses again into the same text (under a budget that
    // does not depend on how compact that text is), and so does a copy of the value.
    if (value->kind() == JsonKind::Array || value->kind() == JsonKind::Object) {
        const std::optional<JsonValue> again =
            ParseLenient(own, std::numeric_limits<std::size_t>::max());
        if (!again || OwnText(*again) != own)
            __builtin_trap();
    }
    const JsonValue copy = *value;
    if (OwnText(copy) != own)
        __builtin_trap();
    for (const char16_t* path : {u"total", u"items", u"address.region.formalName", u"a.b.c", u""}) {
        (void)TextAt(value, path);
        (void)IntegerAt(value, path);
        if (const JsonArray* array = AsArray(ValueAt(value, path))) {
            for (std::int64_t i = 0; i <= ElementCount(*array); ++i) {
                if (const JsonValue* element = ElementAt(*array, i))
                    (void)OwnText(*element);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    exercise(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (size >= 2) {
        QString units(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, (size / 2) * 2);
        exercise(units);
    }
    return 0;
}
