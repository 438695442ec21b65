#include "portal/JsonValue.h"

#include <algorithm>
#include <utility>

namespace {

// Dictionary order: descending hash, equal hashes by ascending UTF-16 code units.
bool precedes(std::uint32_t leftHash, QStringView left, std::uint32_t rightHash,
              QStringView right) {
    if (leftHash != rightHash)
        return leftHash > rightHash;
    return left.compare(right, Qt::CaseSensitive) < 0;
}

} // namespace

std::uint32_t JsonNameHash(QStringView name) {
    std::uint32_t hash = 0;
    for (const QChar c : name)
        hash = hash * 129u + c.unicode() + 0x9E370001u;
    return hash;
}

JsonValue JsonValue::boolean(bool value) {
    JsonValue result;
    result.kind_ = JsonKind::Boolean;
    result.scalar_.boolean = value;
    return result;
}

JsonValue JsonValue::integer(std::int64_t value) {
    JsonValue result;
    result.kind_ = JsonKind::Integer;
    result.scalar_.integer = value;
    return result;
}

JsonValue JsonValue::fixedPoint(std::int64_t tenThousandths) {
    JsonValue result;
    result.kind_ = JsonKind::FixedPoint;
    result.scalar_.integer = tenThousandths;
    return result;
}

JsonValue JsonValue::floating(double value) {
    JsonValue result;
    result.kind_ = JsonKind::Floating;
    result.scalar_.floating = value;
    return result;
}

JsonValue JsonValue::text(QString value) {
    JsonValue result;
    result.kind_ = JsonKind::Text;
    result.text_ = std::move(value);
    return result;
}

JsonValue JsonValue::array(JsonArray elements) {
    JsonValue result;
    result.kind_ = JsonKind::Array;
    result.elements_ = std::move(elements);
    return result;
}

JsonValue JsonValue::object(std::vector<JsonMember> members) {
    // Sort by position in the text first so that, among equal names, the last one read survives.
    std::vector<std::size_t> order(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        members[i].hash = JsonNameHash(members[i].name);
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const JsonMember& left = members[a];
        const JsonMember& right = members[b];
        if (left.hash != right.hash || left.name != right.name)
            return precedes(left.hash, left.name, right.hash, right.name);
        return a > b; // among equal names the later one first
    });

    JsonValue result;
    result.kind_ = JsonKind::Object;
    result.members_.reserve(order.size());
    for (const std::size_t position : order) {
        JsonMember& member = members[position];
        if (!result.members_.empty() && result.members_.back().name == member.name)
            continue; // an earlier duplicate, replaced by the later one already kept
        result.members_.push_back(std::move(member));
    }
    return result;
}

const JsonValue* JsonValue::member(QStringView name) const {
    if (kind_ != JsonKind::Object)
        return nullptr;
    const std::uint32_t hash = JsonNameHash(name);
    const auto found = std::lower_bound(members_.begin(), members_.end(), name,
                                        [&](const JsonMember& member, QStringView key) {
                                            return precedes(member.hash, member.name, hash, key);
                                        });
    if (found == members_.end() || found->name != name)
        return nullptr;
    return &found->value;
}
