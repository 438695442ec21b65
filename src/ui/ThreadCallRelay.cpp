#include "ui/ThreadCallRelay.h"

#include <QThread>
#include <algorithm>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds kServeSlice(5);
// How long a slice waits for a worker's next call before it gives the thread back.
constexpr std::chrono::microseconds kNextCallWait(500);

} // namespace

ThreadCallRelay::ThreadCallRelay() {
    connect(this, &ThreadCallRelay::CallsWaiting, this, &ThreadCallRelay::RunWaitingCalls,
            Qt::QueuedConnection);
}

ThreadCallRelay::~ThreadCallRelay() {
    const std::lock_guard lock(mutex_);
    for (Call* call : waiting_)
        Finish(*call);
    waiting_.clear();
}

void ThreadCallRelay::Run(const std::function<void()>& operation) {
    if (QThread::currentThread() == thread()) {
        operation();
        return;
    }
    Call call;
    call.operation = &operation;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(&call);
        wake = !wakeQueued_;
        wakeQueued_ = true;
    }
    arrived_.notify_one();
    if (wake)
        emit CallsWaiting();
    std::unique_lock lock(call.mutex);
    call.over.wait(lock, [&] { return call.finished; });
    if (call.failure)
        std::rethrow_exception(call.failure);
}

void ThreadCallRelay::RunWaitingCalls() {
    // A worker hands over its next call as soon as one is over. Serving them in a row (and
    // waiting a moment for the next) saves a round of the event loop, and with it a repaint, per
    // call; but only for a few milliseconds: then the thread's other events (timers, input,
    // painting) come first, and the calls still waiting get a new wake-up behind them. One call
    // at a time, as an operation may let events run, and with them this slot again.
    const auto end = std::chrono::steady_clock::now() + kServeSlice;
    for (;;) {
        Call* call = nullptr;
        {
            std::unique_lock lock(mutex_);
            const auto next = std::min(end, std::chrono::steady_clock::now() + kNextCallWait);
            if (!arrived_.wait_until(lock, next, [&] { return !waiting_.empty(); })) {
                wakeQueued_ = false;
                return;
            }
            if (std::chrono::steady_clock::now() >= end)
                break;
            call = waiting_.front();
            waiting_.pop_front();
        }
        try {
            (*call->operation)();
        } catch (...) {
            call->failure = std::current_exception();
        }
        Finish(*call);
    }
    emit CallsWaiting();
}

void ThreadCallRelay::Finish(Call& call) {
    const std::lock_guard lock(call.mutex);
    call.finished = true;
    call.over.notify_all();
}
