#pragma once

#include <cstddef>

// One block of memory from the system for the parse's storage (internal to src/json). A block of
// 2 MiB or more is a mapping of its own, aligned to 2 MiB, that asks the kernel for transparent
// huge pages: a large answer's tree then costs a few page faults instead of one per 4 KiB, and
// on a virtual machine those faults were most of the parse's time. Freeing it unmaps it.
class JsonMemory {
public:
    JsonMemory() = default; // no block
    explicit JsonMemory(std::size_t bytes);
    JsonMemory(JsonMemory&& other) noexcept;
    JsonMemory& operator=(JsonMemory&& other) noexcept;
    ~JsonMemory();

    std::byte* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }

    // A block of bytes that starts with this one's contents.
    void grow(std::size_t bytes);

private:
    std::byte* bytes_ = nullptr;
    std::size_t size_ = 0;
};
