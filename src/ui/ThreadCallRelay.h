#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

// Runs operations that other threads hand over on the thread the relay lives on; each caller
// waits until its operation is over, and a failure it throws is thrown again in the caller.
// On the relay's own thread an operation runs at once.
//
// The calls pass through a standard mutex and condition variable, not through a blocking
// queued connection: Qt's own locks are invisible to ThreadSanitizer, ours are not, so the
// hand-over is checked in both directions.
class ThreadCallRelay : public QObject {
    Q_OBJECT

public:
    ThreadCallRelay();
    // Calls still waiting end unrun.
    ~ThreadCallRelay() override;

    void Run(const std::function<void()>& operation);

signals:
    // Calls wait and no wake-up is queued yet; at most one is queued at a time.
    void CallsWaiting();

private:
    struct Call {
        const std::function<void()>* operation;
        std::mutex mutex;
        std::condition_variable over;
        bool finished = false;
        std::exception_ptr failure;
    };

    void RunWaitingCalls();
    static void Finish(Call& call);

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Call*> waiting_;
    bool wakeQueued_ = false;
};
