#pragma once

#include "base/Clock.h"

#include <atomic>
#include <cstdint>
#include <functional>

// A clock whose time moves only when the code under test sleeps or a test advances it, so a
// three-minute pause costs no real time. Safe to read from a thread other than the sleeper's.
class FakeClock final : public Clock {
public:
    explicit FakeClock(std::uint32_t start = 0) : now_(start) {}

    std::uint32_t TickCount() override { return now_.load(); }
    void Sleep(std::uint32_t milliseconds) override {
        now_ += milliseconds;
        slept_ += milliseconds;
        if (onSleep)
            onSleep(slept_.load());
    }

    void Advance(std::uint32_t milliseconds) { now_ += milliseconds; }
    // All the time slept through Sleep, which may exceed 32 bits over a long run.
    std::uint64_t Slept() const { return slept_.load(); }

    // Called on the sleeping thread after every sleep with all the time slept so far.
    std::function<void(std::uint64_t)> onSleep;

private:
    std::atomic<std::uint32_t> now_;
    std::atomic<std::uint64_t> slept_{0};
};
