#include "json/JsonValue.h"

#include "json/JsonTree.h"
#include <algorithm>
#include <utility>

std::uint32_t JsonNameHash(QStringView name) {
    std::uint32_t hash = 0;
    for (const QChar c : name)
        hash = hash * 129u + c.unicode() + 0x9E370001u;
    return hash;
}

JsonValue::JsonValue(const JsonValue& other) : node_(other.node_) {
    node_.ownsTree = false;
    if (other.hasTree())
        *this = JsonTree::copy(other);
}

// Only a value at the top of a tree, or one without a tree, can be moved from: the values inside
// a tree are reached as const only.
JsonValue::JsonValue(JsonValue&& other) noexcept : node_(std::exchange(other.node_, Node{})) {}

JsonValue& JsonValue::operator=(JsonValue other) noexcept {
    std::swap(node_, other.node_);
    return *this;
}

JsonValue::~JsonValue() {
    if (node_.ownsTree)
        JsonTree::release(node_.data);
}

bool JsonValue::hasTree() const {
    return (node_.kind == JsonKind::Text || node_.kind == JsonKind::Array ||
            node_.kind == JsonKind::Object) &&
           node_.size > 0;
}

JsonValue JsonValue::boolean(bool value) {
    JsonValue result;
    result.node_.kind = JsonKind::Boolean;
    result.node_.boolean = value;
    return result;
}

JsonValue JsonValue::integer(std::int64_t value) {
    JsonValue result;
    result.node_.kind = JsonKind::Integer;
    result.node_.integer = value;
    return result;
}

JsonValue JsonValue::fixedPoint(std::int64_t tenThousandths) {
    JsonValue result;
    result.node_.kind = JsonKind::FixedPoint;
    result.node_.integer = tenThousandths;
    return result;
}

JsonValue JsonValue::floating(double value) {
    JsonValue result;
    result.node_.kind = JsonKind::Floating;
    result.node_.floating = value;
    return result;
}

const JsonValue* JsonValue::member(QStringView name) const {
    if (node_.kind != JsonKind::Object)
        return nullptr;
    const std::uint32_t hash = JsonNameHash(name);
    const std::span<const JsonMember> all = members();
    const auto found = std::lower_bound(
        all.begin(), all.end(), name, [&](const JsonMember& member, QStringView key) {
            return NamePrecedes(member.nameHash(), member.name(), hash, key);
        });
    if (found == all.end() || found->name() != name)
        return nullptr;
    return &found->value();
}
