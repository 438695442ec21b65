#include "json/JsonMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;

// A mapping of its own, starting on a huge-page boundary; only its whole huge pages are advised,
// so the tail costs no more than it uses.
std::byte* mapLarge(std::size_t bytes) {
    void* mapped = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    if (aligned > start)
        munmap(mapped, aligned - start);
    const std::uintptr_t end = aligned + bytes;
    const std::uintptr_t mappedEnd = start + bytes + kHugePage;
    if (mappedEnd > end)
        munmap(reinterpret_cast<void*>(end), mappedEnd - end);
    madvise(reinterpret_cast<void*>(aligned), bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
    return reinterpret_cast<std::byte*>(aligned);
}

} // namespace

JsonMemory::JsonMemory(std::size_t bytes) : size_(bytes) {
    if (bytes >= kHugePage) {
        bytes_ = mapLarge(bytes);
    } else {
        bytes_ = static_cast<std::byte*>(std::malloc(bytes));
        if (bytes_ == nullptr)
            throw std::bad_alloc();
    }
}

JsonMemory::JsonMemory(JsonMemory&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)) {}

JsonMemory& JsonMemory::operator=(JsonMemory&& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    return *this;
}

JsonMemory::~JsonMemory() {
    if (size_ >= kHugePage)
        munmap(bytes_, size_);
    else
        std::free(bytes_);
}

void JsonMemory::grow(std::size_t bytes) {
    JsonMemory grown(bytes);
    if (size_ > 0)
        std::memcpy(grown.bytes_, bytes_, std::min(size_, bytes));
    *this = std::move(grown);
}
