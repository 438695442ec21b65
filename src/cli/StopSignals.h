#pragma once

// SIGINT and SIGTERM while the object lives: the handler only counts them, and the owner takes
// the count when it looks (Take). Afterwards both signals get their default action back. One
// object at a time.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signals that came since the last call.
    int Take();
};
