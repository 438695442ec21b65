// The machine's clock: ticks that move forward with real time and a sleep that lasts at least as
// long as asked (a loaded machine may make it longer, never shorter).
#include "base/Clock.h"

#include "FakeClock.h"

#include <gtest/gtest.h>
#include <time.h>

TEST(SystemClockTest, TicksFollowBootTimeAndSleepLastsAtLeastTheAskedTime) {
    SystemClock& clock = SystemClock::Instance();
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const std::uint32_t before = clock.TickCount();
    const auto expected = static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(boot.tv_sec) * 1000u + boot.tv_nsec / 1000000);
    EXPECT_LE(static_cast<std::uint32_t>(before - expected), 1000u);

    clock.Sleep(30);
    const std::uint32_t elapsed = clock.TickCount() - before;
    EXPECT_GE(elapsed, 30u);
}

TEST(FakeClockTest, SleepMovesTimeAndWrapsAt32Bits) {
    FakeClock clock(0xFFFFFF00u);
    clock.Sleep(0x200);
    EXPECT_EQ(clock.TickCount(), 0x100u);
    clock.Advance(5);
    EXPECT_EQ(clock.TickCount(), 0x105u);
    EXPECT_EQ(clock.Slept(), 0x200u);
}
