#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// A JSON value as the portal's answers are read: eight kinds, immutable once parsed.
// "No value" (an absent member) is a null pointer wherever a value is returned, and is
// distinct from the null value, whose own text is "null".
class JsonValue;
struct JsonMember;

using JsonArray = std::vector<JsonValue>;

enum class JsonKind : std::uint8_t {
    Null,
    Boolean,
    Integer,    // 64-bit signed
    FixedPoint, // 64-bit signed count of ten-thousandths
    Floating,   // IEEE double
    Text,       // UTF-16 code units
    Array,
    Object,
};

class JsonValue {
public:
    JsonValue() = default; // the null value
    static JsonValue boolean(bool value);
    static JsonValue integer(std::int64_t value);
    static JsonValue fixedPoint(std::int64_t tenThousandths);
    static JsonValue floating(double value);
    static JsonValue text(QString value);
    static JsonValue array(JsonArray elements);
    // Members in any order; a later duplicate name replaces an earlier one and the result is
    // kept in dictionary order (see JsonMemberOrder).
    static JsonValue object(std::vector<JsonMember> members);

    JsonKind kind() const { return kind_; }
    bool isNull() const { return kind_ == JsonKind::Null; }

    bool asBoolean() const { return scalar_.boolean; }
    std::int64_t asInteger() const { return scalar_.integer; }        // Integer kind
    std::int64_t asTenThousandths() const { return scalar_.integer; } // FixedPoint kind
    double asFloating() const { return scalar_.floating; }
    const QString& asText() const { return text_; }
    const JsonArray& elements() const { return elements_; }
    const std::vector<JsonMember>& members() const { return members_; }

    // The member of that exact name, or nullptr; only objects have members.
    const JsonValue* member(QStringView name) const;

private:
    JsonKind kind_ = JsonKind::Null;
    union {
        bool boolean;
        std::int64_t integer;
        double floating;
    } scalar_{};
    QString text_;
    JsonArray elements_;
    std::vector<JsonMember> members_;
};

struct JsonMember {
    QString name;
    JsonValue value;
    std::uint32_t hash = 0; // of the name; set when the object is built
};

// The 32-bit hash that orders an object's members (descending; ties by code units ascending).
std::uint32_t JsonNameHash(QStringView name);
