// The abort signal between the thread that raises it and the worker that clears it.
#include "http/AbortSignal.h"

#include "ClientTestSupport.h"
#include "http/HttpResponseReader.h"
#include "http/TlsConnection.h"
#include "http/TlsSessionStore.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace {

constexpr int kRounds = 500;

using Clock = std::chrono::steady_clock;

// The descriptor wakes the waits although the mark is down: every later wait would end as an
// abort.
bool WakesWhileCleared(const AbortSignal& signal) {
    pollfd wake{signal.WakeDescriptor(), POLLIN, 0};
    return !signal.Raised() && poll(&wake, 1, 0) == 1;
}

// The `index`-th processor this process may run on, or -1 when it has fewer.
int AllowedProcessor(int index) {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed) && index-- == 0)
            return cpu;
    }
    return -1;
}

// Keeps the calling thread on one processor, so that two such threads truly run at once.
void RunOnlyOn(int cpu) {
    if (cpu < 0)
        return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

// Spins (yielding now and then) until `value` reaches `target`, `stop` is set or the deadline
// passes; true when the value was reached.
bool AwaitValue(const std::atomic<int>& value, int target, const std::atomic<bool>& stop,
                Clock::time_point deadline) {
    for (unsigned spins = 1; value.load() < target; ++spins) {
        if (stop.load() || Clock::now() > deadline)
            return false;
        if (spins % 256 == 0)
            std::this_thread::yield();
    }
    return true;
}

// One request on a connection of its own that carries `signal`: the answer's status line, or
// the failure's message.
QString StatusLineWith(AbortSignal& signal, const TestTlsServer& server) {
    QString statusLine;
    TlsSessionStore sessions;
    const QString failure = FailureOf([&] {
        TlsConnection connection(QStringLiteral("127.0.0.1"), server.Port(), 2000, 2000, signal,
                                 sessions);
        connection.WriteAll("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        HttpResponseReader reader(connection);
        statusLine = QString::fromLatin1(reader.ReadStatusLine());
    });
    return statusLine.isEmpty() ? failure : statusLine;
}

TEST(AbortSignal, RaiseAndClearFromTwoThreadsLeaveTheNextRequestAlone) {
    TestTlsServer server(Serving([](const QByteArray&) { return Answer("200 OK", "x"); }));
    AbortSignal signal;
    // Every round, one thread raises the signal while the other clears it, as a worker does
    // that has just seen the mark and failed; both on processors of their own.
    std::atomic<int> started{0};
    std::atomic<int> clearing{0};
    std::atomic<int> cleared{0};
    std::atomic<bool> stop{false};
    int brokenRound = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    std::thread clearer([&] {
        RunOnlyOn(AllowedProcessor(1));
        for (int round = 1; round <= kRounds; ++round) {
            if (!AwaitValue(started, round, stop, deadline))
                return;
            clearing = round;
            signal.Clear();
            cleared = round;
        }
    });
    std::thread raiser([&] {
        RunOnlyOn(AllowedProcessor(0));
        for (int round = 1; round <= kRounds && brokenRound == 0; ++round) {
            started = round;
            if (!AwaitValue(clearing, round, stop, deadline))
                break;
            signal.Raise();
            if (!AwaitValue(cleared, round, stop, deadline))
                break;
            if (WakesWhileCleared(signal))
                brokenRound = round;
            else if (signal.Raised())
                signal.Clear(); // the raise came last: the worker clears it at its next look
        }
        stop = true;
    });
    raiser.join();
    clearer.join();
    EXPECT_EQ(brokenRound, 0) << "the wake descriptor stayed readable with the mark down";
    EXPECT_EQ(StatusLineWith(signal, server).toStdString(), "HTTP/1.1 200 OK");
}

} // namespace
