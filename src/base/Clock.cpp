#include "base/Clock.h"

#include <cerrno>
#include <ctime>

std::uint32_t SystemClock::TickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}

void SystemClock::Sleep(std::uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000u),
                       static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}
