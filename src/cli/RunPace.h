#pragma once

#include <QString>
#include <cstdint>

// Where a run stands for its pace: the time between the beginnings of its first and its latest
// house, the houses finished in that time, and the houses of the current pair still to do (the
// current one included).
struct RunPace {
    std::uint32_t elapsedMs = 0;
    std::int64_t housesDone = 0;
    std::int64_t housesLeft = 0;
    // No pair follows the current one: the time left is the run's, not only the pair's.
    bool lastPair = true;
};

// The progress line's tail: " · <seconds> с/дом" from the average time per house so far, then
// " · осталось ≈ <time>" for the houses left (" · до конца пары ≈ <time>" while other pairs,
// whose houses nobody knows yet, follow). Empty before the first house is done.
QString PaceText(const RunPace& pace);
