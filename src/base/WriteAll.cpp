#include "base/WriteAll.h"

#include <cerrno>

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
