#pragma once

#include <QStringView>
#include <cstdint>
#include <span>

// A JSON value as the portal's answers are read: eight kinds, immutable once parsed.
// "No value" (an absent member) is a null pointer wherever a value is returned, and is
// distinct from the null value, whose own text is "null".
//
// A value is 16 bytes: its kind and one word, the scalar itself or a pointer to the text's code
// units, the array's elements or the object's members. Texts, arrays and objects come from the
// parse, which keeps the whole tree in one arena sized to what was read; the value at the top
// owns that arena, the values inside it are parts of it. Copying any value gives an independent
// value with a tree of its own.
class JsonArray;
class JsonMember;

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
    JsonValue(const JsonValue& other);
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(JsonValue other) noexcept;
    ~JsonValue();

    static JsonValue boolean(bool value);
    static JsonValue integer(std::int64_t value);
    static JsonValue fixedPoint(std::int64_t tenThousandths);
    static JsonValue floating(double value);

    JsonKind kind() const { return node_.kind; }
    bool isNull() const { return node_.kind == JsonKind::Null; }

    bool asBoolean() const { return node_.boolean; }
    std::int64_t asInteger() const { return node_.integer; }        // Integer kind
    std::int64_t asTenThousandths() const { return node_.integer; } // FixedPoint kind
    double asFloating() const { return node_.floating; }
    QStringView asText() const { // Text kind
        return {static_cast<const char16_t*>(node_.data), node_.size};
    }
    const JsonArray& elements() const;           // Array kind
    std::span<const JsonMember> members() const; // Object kind, in dictionary order

    // The member of that exact name, or nullptr; only objects have members.
    const JsonValue* member(QStringView name) const;

private:
    friend class JsonTree; // builds values (JsonTree.h)
    friend class JsonMember;

    // What a value is made of; plain data, so that the builder can keep values on its stacks.
    struct Node {
        JsonKind kind = JsonKind::Null;
        bool ownsTree = false;  // the top of a tree: the tree's arena goes with this value
        std::uint32_t size = 0; // code units of a text, elements of an array, members of an object
        union {
            std::int64_t integer = 0; // also the fixed-point count
            double floating;
            bool boolean;
            const void* data; // texts, arrays, objects
        };
    };

    explicit JsonValue(const Node& node) : node_(node) {}
    bool hasTree() const;

    Node node_;
};

// The elements of an array value; they are stored right after this header.
class JsonArray {
public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const JsonValue* begin() const { return reinterpret_cast<const JsonValue*>(this + 1); }
    const JsonValue* end() const { return begin() + size_; }
    const JsonValue& operator[](std::size_t index) const { return begin()[index]; }

private:
    friend class JsonTree;
    constexpr explicit JsonArray(std::size_t size) : size_(size) {}

    std::size_t size_;
};

// A member name as stored, shared by the members of a tree that bear it: its hash, its length
// and, right after them, its code units.
class JsonName {
public:
    std::uint32_t hash() const { return hash_; }
    QStringView text() const { return {reinterpret_cast<const char16_t*>(this + 1), size_}; }

private:
    friend class JsonTree;
    JsonName(std::uint32_t hash, std::uint32_t size) : hash_(hash), size_(size) {}

    std::uint32_t hash_;
    std::uint32_t size_;
};

class JsonMember {
public:
    QStringView name() const { return name_->text(); }
    std::uint32_t nameHash() const { return name_->hash(); }
    const JsonValue& value() const { return value_; }

private:
    friend class JsonTree;
    JsonMember(const JsonName* name, const JsonValue::Node& value) : name_(name), value_(value) {}

    const JsonName* name_;
    JsonValue value_;
};

static_assert(sizeof(JsonValue) == 16 && sizeof(JsonMember) == 24 && sizeof(JsonArray) == 8 &&
              sizeof(JsonName) == 8);

inline std::span<const JsonMember> JsonValue::members() const {
    return {static_cast<const JsonMember*>(node_.data), node_.size};
}

inline const JsonArray& JsonValue::elements() const {
    return *static_cast<const JsonArray*>(node_.data);
}

// The 32-bit hash that orders an object's members (descending; ties by code units ascending).
std::uint32_t JsonNameHash(QStringView name);
