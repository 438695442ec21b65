#pragma once

#include <cstdint>

// The run's sense of time: a millisecond tick count that wraps at 32 bits, and sleeping. The
// harvest takes one by reference so that tests can run its pauses without waiting for them.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since the system started, truncated to 32 bits.
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The machine's clock: time since boot, suspended time included (CLOCK_BOOTTIME).
class SystemClock final : public Clock {
public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;

    // The one instance that the program uses.
    static SystemClock& Instance();
};
