#pragma once

#include "json/JsonMemory.h"
#include <cstddef>
#include <vector>

// Storage of one parsed value tree (internal to src/json): blocks are cut from chunks one after
// another and all go at once with the arena. Every chunk the arena takes from the system, and
// every byte the builder's stacks take (charged here), counts against one budget; past it an
// allocation gives nullptr and the parse gives no value. Chunk sizes do not depend on the
// budget, so an answer that parses under a budget parses under every larger one.
class JsonArena {
public:
    // The first chunk follows sizeHint (the expected total), between 1 KiB and 64 KiB; later
    // ones grow with the total, up to 4 MiB.
    JsonArena(std::size_t budget, std::size_t sizeHint);

    // A block of at least bytes, 8-byte aligned; nullptr past the budget.
    void* allocate(std::size_t bytes) {
        bytes = roundUp(bytes);
        if (bytes <= static_cast<std::size_t>(end_ - next_)) {
            latest_ = next_;
            next_ += bytes;
            return latest_;
        }
        return allocateSlow(bytes);
    }

    // The block handed out last now ends bytes after its start; the rest is free again (a large
    // block, which has a chunk of its own, keeps its size).
    void shrinkLatest(void* block, std::size_t bytes);

    // Counts bytes held elsewhere for the parse against the budget; false past it.
    bool charge(std::size_t bytes);

private:
    static constexpr std::size_t kFirstChunkMax = 64 * 1024;
    static constexpr std::size_t kMaxChunk = 4 * 1024 * 1024;

    static std::size_t roundUp(std::size_t bytes) { return (bytes + 7) & ~std::size_t{7}; }
    void* allocateSlow(std::size_t bytes);
    std::byte* newChunk(std::size_t bytes);

    std::vector<JsonMemory> chunks_;
    std::byte* latest_ = nullptr; // the block cut last from the current chunk
    std::byte* next_ = nullptr;
    std::byte* end_ = nullptr;
    std::size_t firstChunk_;
    std::size_t charged_ = 0;
    std::size_t budget_;
};
