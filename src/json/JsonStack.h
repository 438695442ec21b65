#pragma once

#include "json/JsonArena.h"
#include "json/JsonMemory.h"
#include <algorithm>
#include <cstddef>
#include <type_traits>

// The builder's stack of pending values or members (internal to src/json): plain items, grown
// by doubling; the room it grows by counts against the arena's budget.
template <typename Item> class JsonStack {
    static_assert(std::is_trivially_copyable_v<Item>);

public:
    std::size_t size() const { return size_; }
    Item* begin() { return items(); }
    Item* end() { return items() + size_; }
    Item& back() { return items()[size_ - 1]; }
    void truncate(std::size_t size) { size_ = size; }

    // False when growing would pass the budget.
    bool push(const Item& item, JsonArena& arena) {
        if (size_ == capacity_ && !grow(arena))
            return false;
        items()[size_++] = item;
        return true;
    }

private:
    Item* items() { return reinterpret_cast<Item*>(memory_.bytes()); }

    bool grow(JsonArena& arena) {
        const std::size_t grown = std::max<std::size_t>(64, capacity_ * 2);
        if (!arena.charge((grown - capacity_) * sizeof(Item)))
            return false;
        memory_.grow(grown * sizeof(Item));
        capacity_ = grown;
        return true;
    }

    JsonMemory memory_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
