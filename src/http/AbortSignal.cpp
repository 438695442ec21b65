#include "http/AbortSignal.h"

#include "http/SocketError.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

AbortSignal::AbortSignal() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (eventFd_ < 0)
        ThrowSocketError(errno);
}

AbortSignal::~AbortSignal() {
    close(eventFd_);
}

void AbortSignal::Raise() {
    const std::lock_guard lock(mutex_);
    raised_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(eventFd_, &one, sizeof one);
    if (socketFd_ >= 0)
        shutdown(socketFd_, SHUT_RDWR);
}

void AbortSignal::Clear() {
    const std::lock_guard lock(mutex_);
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(eventFd_, &count, sizeof count);
    raised_.store(false);
}

void AbortSignal::Attach(int socketFd) {
    const std::lock_guard lock(mutex_);
    socketFd_ = socketFd;
    if (raised_.load() && socketFd_ >= 0)
        shutdown(socketFd_, SHUT_RDWR);
}

void AbortSignal::Detach() {
    const std::lock_guard lock(mutex_);
    socketFd_ = -1;
}
