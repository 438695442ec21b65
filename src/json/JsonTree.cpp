#include "json/JsonTree.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kMaxCount = std::numeric_limits<std::uint32_t>::max();

// The top block of a tree is preceded by the address of the arena that holds the tree.
JsonArena** ownerSlot(const void* block) {
    return reinterpret_cast<JsonArena**>(static_cast<std::byte*>(const_cast<void*>(block)) -
                                         sizeof(JsonArena*));
}

bool sameName(const JsonName* left, const JsonName* right) {
    return left == right || (left->hash() == right->hash() && left->text() == right->text());
}

} // namespace

JsonTree::JsonTree(std::size_t budget, std::size_t sizeHint)
    : arena_(std::make_unique<JsonArena>(budget, sizeHint)) {}

JsonTree::Node JsonTree::makeNode(JsonKind kind, std::size_t size, const void* data) {
    Node node;
    node.kind = kind;
    node.size = static_cast<std::uint32_t>(size);
    node.data = data;
    return node;
}

bool JsonTree::pushScalar(const JsonValue& scalar) {
    return values_.push(scalar.node_, *arena_);
}

void* JsonTree::allocateBlock(std::size_t bytes, bool root) {
    if (!root)
        return arena_->allocate(bytes);
    auto* block = static_cast<std::byte*>(arena_->allocate(sizeof(JsonArena*) + bytes));
    if (block == nullptr)
        return nullptr;
    rootBlock_ = block + sizeof(JsonArena*);
    return rootBlock_;
}

char16_t* JsonTree::allocateText(std::size_t maxUnits, bool root) {
    if (maxUnits > kMaxCount)
        return nullptr;
    return static_cast<char16_t*>(allocateBlock(maxUnits * sizeof(char16_t), root));
}

bool JsonTree::finishText(char16_t* room, std::size_t size, bool root) {
    if (room != nullptr && !root) // escapes made the text shorter than its room
        arena_->shrinkLatest(room, size * sizeof(char16_t));
    return values_.push(makeNode(JsonKind::Text, size, room), *arena_);
}

JsonName* JsonTree::allocateName(std::size_t maxUnits) {
    if (maxUnits > kMaxCount)
        return nullptr;
    void* block = arena_->allocate(sizeof(JsonName) + maxUnits * sizeof(char16_t));
    return block ? new (block) JsonName(0, 0) : nullptr;
}

// Member names repeat from item to item: a name equal to a recent one shares its storage.
const JsonName* JsonTree::settleName(JsonName* fresh, std::size_t size) {
    fresh->size_ = static_cast<std::uint32_t>(size);
    fresh->hash_ = JsonNameHash(fresh->text());
    const JsonName*& recent = recentNames_[fresh->hash_ % kNameCacheSize];
    if (recent != nullptr && sameName(recent, fresh)) {
        arena_->shrinkLatest(fresh, 0);
        return recent;
    }
    arena_->shrinkLatest(fresh, sizeof(JsonName) + size * sizeof(char16_t));
    recent = fresh;
    return fresh;
}

const JsonName* JsonTree::name(std::u16string_view units) {
    const QStringView text(units.data(), static_cast<qsizetype>(units.size()));
    const JsonName* recent = recentNames_[JsonNameHash(text) % kNameCacheSize];
    if (recent != nullptr && recent->text() == text)
        return recent;
    return name(units.size(), [&](char16_t* room) {
        std::copy(units.begin(), units.end(), room);
        return units.size();
    });
}

bool JsonTree::addMember(const JsonName* name) {
    const Node value = values_.back();
    values_.truncate(values_.size() - 1);
    return members_.push(PendingMember{name, members_.size(), value}, *arena_);
}

bool JsonTree::closeArray(std::size_t mark, bool root) {
    const std::size_t count = values_.size() - mark;
    if (count == 0)
        return values_.push(makeNode(JsonKind::Array, 0, &kNoElements), *arena_);
    if (count > kMaxCount)
        return false;
    void* block = allocateBlock(sizeof(JsonArray) + count * sizeof(JsonValue), root);
    if (block == nullptr)
        return false;
    auto* array = new (block) JsonArray(count);
    auto* element = reinterpret_cast<JsonValue*>(array + 1);
    for (const Node* item = values_.begin() + mark; item != values_.end(); ++item)
        new (element++) JsonValue(*item);
    values_.truncate(mark);
    return values_.push(makeNode(JsonKind::Array, count, array), *arena_); // in the items' room
}

bool JsonTree::closeObject(std::size_t mark, bool root) {
    PendingMember* const first = members_.begin() + mark;
    PendingMember* kept = members_.end();
    if (kept - first > 1) {
        // Equal names end up side by side in the order they came, so the last of each run is
        // the one that replaces the others.
        std::sort(first, kept, [](const PendingMember& a, const PendingMember& b) {
            if (!sameName(a.name, b.name))
                return NamePrecedes(a.name->hash(), a.name->text(), b.name->hash(), b.name->text());
            return a.order < b.order;
        });
        kept = first;
        for (PendingMember* member = first; member != members_.end(); ++member) {
            if (kept != first && sameName(kept[-1].name, member->name))
                kept[-1] = *member;
            else
                *kept++ = *member;
        }
    }
    const auto count = static_cast<std::size_t>(kept - first);
    JsonMember* stored = nullptr;
    if (count > 0) {
        if (count > kMaxCount)
            return false;
        void* block = allocateBlock(count * sizeof(JsonMember), root);
        if (block == nullptr)
            return false;
        stored = static_cast<JsonMember*>(block);
        for (const PendingMember* member = first; member != kept; ++member)
            new (stored + (member - first)) JsonMember(member->name, member->value);
    }
    members_.truncate(mark);
    return values_.push(makeNode(JsonKind::Object, count, stored), *arena_);
}

JsonValue JsonTree::finish() {
    Node root = values_.back();
    if (rootBlock_ != nullptr) {
        *ownerSlot(rootBlock_) = arena_.release();
        root.ownsTree = true;
    }
    return JsonValue(root);
}

void JsonTree::release(const void* rootData) {
    delete *ownerSlot(rootData);
}

JsonValue JsonTree::copy(const JsonValue& source) {
    JsonTree tree(std::numeric_limits<std::size_t>::max(), 0);
    if (!tree.copyValue(source, true))
        throw std::bad_alloc(); // without a budget, only the system can refuse memory
    return tree.finish();
}

bool JsonTree::copyValue(const JsonValue& source, bool root) {
    switch (source.kind()) {
    case JsonKind::Text: {
        const QStringView text = source.asText();
        return pushText(static_cast<std::size_t>(text.size()), root, [&](char16_t* room) {
            std::copy(text.utf16(), text.utf16() + text.size(), room);
            return static_cast<std::size_t>(text.size());
        });
    }
    case JsonKind::Array: {
        const std::size_t mark = valueMark();
        for (const JsonValue& element : source.elements()) {
            if (!copyValue(element, false))
                return false;
        }
        return closeArray(mark, root);
    }
    case JsonKind::Object: {
        const std::size_t mark = memberMark();
        for (const JsonMember& member : source.members()) {
            const QStringView name = member.name();
            const JsonName* stored = this->name(
                std::u16string_view(name.utf16(), static_cast<std::size_t>(name.size())));
            if (stored == nullptr || !copyValue(member.value(), false) || !addMember(stored))
                return false;
        }
        return closeObject(mark, root);
    }
    default:
        return pushScalar(source);
    }
}
