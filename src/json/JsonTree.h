#pragma once

#include "json/JsonArena.h"
#include "json/JsonStack.h"
#include "json/JsonValue.h"
#include <QStringView>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Dictionary order of member names: descending hash, equal hashes by ascending code units.
inline bool NamePrecedes(std::uint32_t leftHash, QStringView left, std::uint32_t rightHash,
                         QStringView right) {
    if (leftHash != rightHash)
        return leftHash > rightHash;
    return left.compare(right, Qt::CaseSensitive) < 0;
}

// Builds one value tree (internal to src/json). Values are pushed as they are read; closing an
// array or object moves its items off the stack into a block of exactly their number, so the
// tree holds no spare room. The tree lives in one arena with a memory budget that also counts
// the stacks: an operation that needs memory past the budget gives false (or nullptr), and the
// tree is then given up.
class JsonTree {
public:
    JsonTree(std::size_t budget, std::size_t sizeHint);

    // Null, booleans and numbers.
    bool pushScalar(const JsonValue& scalar);

    // A text of at most maxUnits code units, written by fill(char16_t* room), which returns how
    // many it wrote. The root is the value at the top of the tree.
    template <typename Fill> bool pushText(std::size_t maxUnits, bool root, Fill fill) {
        char16_t* room = nullptr;
        if (maxUnits > 0 || root) {
            room = allocateText(maxUnits, root);
            if (room == nullptr)
                return false;
        }
        return finishText(room, fill(room), root);
    }

    // The stored name of these code units: shared with an earlier one that the tree still
    // remembers, stored anew otherwise; nullptr past the budget.
    const JsonName* name(std::u16string_view units);
    // The same for a name written by fill(char16_t* room) (at most maxUnits code units).
    template <typename Fill> const JsonName* name(std::size_t maxUnits, Fill fill) {
        JsonName* fresh = allocateName(maxUnits);
        return fresh ? settleName(fresh, fill(unitsOf(fresh))) : nullptr;
    }

    // A container: take the mark before its first item, push the items, then close it.
    std::size_t valueMark() const { return values_.size(); }
    std::size_t memberMark() const { return members_.size(); }
    // Makes the value pushed last the value of a member of that name.
    bool addMember(const JsonName* name);
    bool closeArray(std::size_t mark, bool root);
    // Members in dictionary order; a later duplicate name replaces an earlier one.
    bool closeObject(std::size_t mark, bool root);

    // The one value at the top, owning the tree when it has one.
    JsonValue finish();

    // An independent copy of a value and everything in it.
    static JsonValue copy(const JsonValue& source);
    // Frees the tree of the value at its top.
    static void release(const void* rootData);

private:
    using Node = JsonValue::Node;
    struct PendingMember {
        const JsonName* name;
        std::size_t order; // of arrival, so that the last of equal names can be told
        Node value;
    };
    static constexpr std::size_t kNameCacheSize = 64;
    static constexpr JsonArray kNoElements{0};

    static Node makeNode(JsonKind kind, std::size_t size, const void* data);
    static char16_t* unitsOf(JsonName* name) { return reinterpret_cast<char16_t*>(name + 1); }
    void* allocateBlock(std::size_t bytes, bool root);
    char16_t* allocateText(std::size_t maxUnits, bool root);
    bool finishText(char16_t* room, std::size_t size, bool root);
    JsonName* allocateName(std::size_t maxUnits);
    const JsonName* settleName(JsonName* fresh, std::size_t size);
    bool copyValue(const JsonValue& source, bool root);

    std::unique_ptr<JsonArena> arena_;
    JsonStack<Node> values_;
    JsonStack<PendingMember> members_;
    std::array<const JsonName*, kNameCacheSize> recentNames_{};
    void* rootBlock_ = nullptr; // the top block, preceded by room for the arena's address
};
