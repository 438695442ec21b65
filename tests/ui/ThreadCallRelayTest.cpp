#include "ui/ThreadCallRelay.h"

#include "base/MessageError.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

// Lets the relay's thread serve calls until the worker is done.
void ServeUntil(const std::atomic<bool>& done) {
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(ThreadCallRelayTest, OperationsRunOnTheRelaysThreadInOrderAndFailuresReachTheCaller) {
    ThreadCallRelay relay;
    std::vector<int> order;
    bool allOnRelayThread = true;
    QString failure;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            relay.Run([&, i] {
                allOnRelayThread &= QThread::currentThread() == relay.thread();
                order.push_back(i);
            });
        }
        try {
            relay.Run([] { throw MessageError(QStringLiteral("Нет файла")); });
        } catch (const MessageError& error) {
            failure = error.message();
        }
        done = true;
    });
    ServeUntil(done);
    worker.join();
    ASSERT_EQ(order.size(), 50U);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnRelayThread);
    EXPECT_EQ(failure, QStringLiteral("Нет файла"));
}

// Two workers that hand over their next call as soon as one is over, so that a call is always
// waiting, must not keep the relay's thread from its timers.
TEST(ThreadCallRelayTest, WorkersCallingWithoutPauseLeaveTheEventLoopToTheOtherEvents) {
    constexpr int kQuota = 8000; // calls of each worker when the timer never fires
    ThreadCallRelay relay;
    std::atomic<int> started = 0; // calls that the workers are handing over
    std::atomic<bool> timerFired = false;
    int calls = 0;
    // Each call lasts until the other worker hands over its next call (or no more will come).
    const auto call = [&] {
        const int seen = ++calls;
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (started <= seen && started < 2 * kQuota && !timerFired &&
               std::chrono::steady_clock::now() < bound) {
        }
        // ... and a moment more, for that call to reach the queue.
        const auto settled = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
        while (std::chrono::steady_clock::now() < settled) {
        }
    };
    const auto work = [&] {
        for (int i = 0; i < kQuota && !timerFired; ++i) {
            ++started;
            relay.Run(call);
        }
    };
    std::atomic<int> running = 2;
    std::thread first([&] { work(), --running; });
    std::thread second([&] { work(), --running; });
    QTimer::singleShot(20, [&] { timerFired = true; });
    while (running > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    first.join();
    second.join();
    EXPECT_TRUE(timerFired.load());
    EXPECT_LT(calls, 2 * kQuota);
}

TEST(ThreadCallRelayTest, ACallStillWaitingWhenTheRelayGoesEndsUnrun) {
    auto relay = std::make_unique<ThreadCallRelay>();
    std::atomic<bool> queued = false;
    QObject::connect(relay.get(), &ThreadCallRelay::CallsWaiting, [&] { queued = true; });
    std::atomic<bool> ran = false;
    std::thread worker([&, target = relay.get()] { target->Run([&] { ran = true; }); });
    // The call is queued and never served; the relay's end releases the worker. The pause lets
    // the worker's emission return before its sender goes (the window, too, ends the relay only
    // after its workers).
    while (!queued)
        QThread::msleep(1);
    QThread::msleep(100);
    relay.reset();
    worker.join();
    EXPECT_FALSE(ran);
}

} // namespace
