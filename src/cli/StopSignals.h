#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

// SIGINT and SIGTERM while the object lives: the handler only writes a byte into a pipe, and the
// event loop of the object's thread reads it and calls `onSignal` once for every signal.
// Afterwards both signals get their default action back. One object at a time.
class StopSignals : public QObject {
public:
    explicit StopSignals(std::function<void()> onSignal);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void Drain();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
