#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <string>

// Runs the event loop in slices of 5 ms.
inline void Spin() {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
}

// Serves the window's events until the condition holds; throws after timeoutMs.
inline void WaitFor(const std::function<bool()>& condition, int timeoutMs, const char* what) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            throw std::runtime_error(std::string("timed out waiting for ") + what);
        Spin();
    }
}
