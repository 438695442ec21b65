#pragma once

#include <unistd.h>
#include <utility>

// Owns one open file descriptor and closes it when it goes out of scope.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    TFileDescriptor(TFileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~TFileDescriptor() { Reset(); }

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

    // Closes the descriptor and gives the outcome of close(): 0, or -1 with errno set.
    int Close() {
        if (fd_ < 0)
            return 0;
        return ::close(std::exchange(fd_, -1));
    }

private:
    void Reset() {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }

    int fd_ = -1;
};
