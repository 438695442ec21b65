#include "base/MessageError.h"

#include <cstring>

QString SystemReason(int errorNumber) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* reason = strerror_r(errorNumber, buffer, sizeof buffer);
    return QString::fromLocal8Bit(reason);
}
