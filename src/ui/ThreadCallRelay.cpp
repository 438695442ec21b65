#include "ui/ThreadCallRelay.h"

#include <QThread>

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
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(&call);
    }
    emit CallsWaiting();
    std::unique_lock lock(call.mutex);
    call.over.wait(lock, [&] { return call.finished; });
    if (call.failure)
        std::rethrow_exception(call.failure);
}

void ThreadCallRelay::RunWaitingCalls() {
    // One at a time: an operation may let events run, and with them this slot again.
    for (;;) {
        Call* call = nullptr;
        {
            const std::lock_guard lock(mutex_);
            if (waiting_.empty())
                return;
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
}

void ThreadCallRelay::Finish(Call& call) {
    const std::lock_guard lock(call.mutex);
    call.finished = true;
    call.over.notify_all();
}
