#include "json/JsonValue.h"

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

// Stable and without extra memory; for the small objects that portal answers are made of.
template <typename Before> void insertionSort(std::vector<JsonMember>& members, Before before) {
    for (std::size_t i = 1; i < members.size(); ++i) {
        if (!before(members[i], members[i - 1]))
            continue;
        JsonMember moving = std::move(members[i]);
        std::size_t j = i;
        do {
            members[j] = std::move(members[j - 1]);
            --j;
        } while (j > 0 && before(moving, members[j - 1]));
        members[j] = std::move(moving);
    }
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
    for (JsonMember& member : members)
        member.hash = JsonNameHash(member.name);
    // A stable sort keeps equal names in text order, so the last of each run is the one that
    // replaces the earlier ones.
    const auto before = [](const JsonMember& a, const JsonMember& b) {
        return precedes(a.hash, a.name, b.hash, b.name);
    };
    if (members.size() > 16)
        std::stable_sort(members.begin(), members.end(), before);
    else
        insertionSort(members, before);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (kept > 0 && members[kept - 1].name == members[i].name)
            members[kept - 1] = std::move(members[i]); // a later duplicate replaces the earlier
        else if (kept++ != i)
            members[kept - 1] = std::move(members[i]);
    }
    members.resize(kept);

    JsonValue result;
    result.kind_ = JsonKind::Object;
    result.members_ = std::move(members);
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
