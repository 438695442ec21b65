#include "ui/ThreadCallRelay.h"

#include "base/MessageError.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
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

TEST(ThreadCallRelayTest, ACallStillWaitingWhenTheRelayGoesEndsUnrun) {
    auto relay = std::make_unique<ThreadCallRelay>();
    std::atomic<bool> queued = false;
    QObject::connect(relay.get(), &ThreadCallRelay::CallsWaiting, [&] { queued = true; });
    std::atomic<bool> ran = false;
    std::thread worker([&, target = relay.get()] { target->Run([&] { ran = true; }); });
    // The call is queued and never served; the relay's end releases the worker.
    while (!queued)
        QThread::msleep(1);
    relay.reset();
    worker.join();
    EXPECT_FALSE(ran);
}

} // namespace
