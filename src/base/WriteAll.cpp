#include "base/WriteAll.h"

#include <cerrno>
#include <unistd.h>

int WriteAll(WriteCall write, int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO; // a write that makes no progress would loop for ever
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int ReadFully(int fd, char* into, std::size_t size, off_t offset, std::size_t& filled) {
    filled = 0;
    while (filled < size) {
        const ssize_t got = offset < 0
                                ? ::read(fd, into + filled, size - filled)
                                : ::pread(fd, into + filled, size - filled, offset + off_t(filled));
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        filled += static_cast<std::size_t>(got);
    }
    return 0;
}
