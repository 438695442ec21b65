#include "json/JsonArena.h"

#include <algorithm>

JsonArena::JsonArena(std::size_t budget, std::size_t sizeHint)
    : firstChunk_(roundUp(std::clamp<std::size_t>(sizeHint, 1024, kFirstChunkMax))),
      budget_(budget) {}

void JsonArena::shrinkLatest(void* block, std::size_t bytes) {
    if (block == latest_)
        next_ = latest_ + roundUp(bytes);
}

bool JsonArena::charge(std::size_t bytes) {
    if (bytes > budget_ - charged_)
        return false;
    charged_ += bytes;
    return true;
}

std::byte* JsonArena::newChunk(std::size_t bytes) {
    chunks_.emplace_back(bytes);
    return chunks_.back().bytes();
}

void* JsonArena::allocateSlow(std::size_t bytes) {
    // Large blocks (long texts, long arrays) get a chunk of exactly their size, so that the
    // chunk being cut keeps its free end for the small blocks that follow.
    if (bytes > kMaxChunk / 4) {
        if (!charge(bytes))
            return nullptr;
        latest_ = nullptr; // not cut from the chunk
        return newChunk(bytes);
    }
    // A quarter of what the parse holds so far: few chunks for a large answer, little room
    // left over for a small one.
    const std::size_t size =
        std::max(bytes, roundUp(std::clamp(charged_ / 4, firstChunk_, kMaxChunk)));
    if (!charge(size))
        return nullptr;
    latest_ = newChunk(size);
    next_ = latest_ + bytes;
    end_ = latest_ + size;
    return latest_;
}
