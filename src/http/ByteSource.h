#pragma once

#include <cstddef>
#include <cstring>

// Where an answer's bytes come from: a TLS connection, or memory in tests and fuzzing.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to `capacity` bytes into `buffer` and returns how many arrived; 0 means the
    // peer ended the stream. Waits as long as the source allows and throws PortalError when
    // that wait runs out or the transport fails.
    virtual std::size_t ReadSome(char* buffer, std::size_t capacity) = 0;
};

// Serves a fixed block of bytes, at most `step` bytes per read (a small step exercises every
// boundary of the reader above it).
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const char* data, std::size_t size, std::size_t step = 4096)
        : data_(data), size_(size), step_(step == 0 ? 1 : step) {}

    std::size_t ReadSome(char* buffer, std::size_t capacity) override {
        std::size_t count = size_ - offset_;
        if (count > capacity)
            count = capacity;
        if (count > step_)
            count = step_;
        if (count > 0)
            std::memcpy(buffer, data_ + offset_, count);
        offset_ += count;
        return count;
    }

private:
    const char* data_;
    std::size_t size_;
    std::size_t step_;
    std::size_t offset_ = 0;
};
