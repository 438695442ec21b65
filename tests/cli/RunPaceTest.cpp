// The pace and the time left of the terminal's progress line.
#include "cli/RunPace.h"

#include <gtest/gtest.h>

namespace {

struct PaceCase {
    RunPace pace;
    const char* expected;
};

TEST(RunPaceTest, AverageTimePerHouseAndTheTimeLeftOfTheAnnouncedHouses) {
    const PaceCase cases[] = {
        {{.elapsedMs = 0, .housesDone = 0, .housesLeft = 400}, ""},
        {{.elapsedMs = 6200, .housesDone = 2, .housesLeft = 398},
         " · 3,1 с/дом · осталось ≈ 21 мин"},
        {{.elapsedMs = 1000, .housesDone = 600, .housesLeft = 1000},
         " · 0,0017 с/дом · осталось ≈ 2 с"},
        {{.elapsedMs = 25000, .housesDone = 2, .housesLeft = 10, .lastPair = false},
         " · 13 с/дом · до конца пары ≈ 2 мин"},
        {{.elapsedMs = 3600000, .housesDone = 1000, .housesLeft = 5000},
         " · 3,6 с/дом · осталось ≈ 5 ч 00 мин"},
        {{.elapsedMs = 700, .housesDone = 1, .housesLeft = 8000},
         " · 0,70 с/дом · осталось ≈ 1 ч 33 мин"},
        {{.elapsedMs = 5000, .housesDone = 2, .housesLeft = 0}, " · 2,5 с/дом"},
    };
    for (const PaceCase& c : cases)
        EXPECT_EQ(PaceText(c.pace).toStdString(), c.expected)
            << c.pace.elapsedMs << " ms, " << c.pace.housesDone << " done";
}

} // namespace
