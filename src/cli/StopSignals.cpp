#include "cli/StopSignals.h"

#include <atomic>
#include <csignal>

namespace {

// A lock-free atomic is all that a signal handler may touch.
std::atomic<int> pendingSignals{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int) {
    pendingSignals.fetch_add(1);
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

StopSignals::StopSignals() {
    pendingSignals = 0;
    SetHandler(&OnStopSignal);
}

StopSignals::~StopSignals() {
    SetHandler(SIG_DFL);
}

int StopSignals::Take() {
    return pendingSignals.exchange(0);
}
