#pragma once

#include "FakeClock.h"
#include "base/MessageError.h"
#include "harvest/RunReports.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// The window as a harvest test sees it: every call is recorded as one text ("log: ...",
// "state: start", "house: 3/8", "stage: 1/2", "timer", "open: ..."), the options are plain values.
// The error pause logs and arms the timer as the window does; instead of holding the worker for
// the timer's 15 s it lets the fake clock run them (or holds for real when holdOnPause is set).
class RecordingWindow : public RunWindow {
public:
    explicit RecordingWindow(FakeClock& clock) : clock_(clock) {}

    void AddLogLine(const QString& message) override {
        Record(QStringLiteral("log: ") + message);
        if (onLog)
            onLog(message);
    }
    void ShowRunState(bool start) override {
        Record(start ? QStringLiteral("state: start") : QStringLiteral("state: end"));
        if (!start && failEndReport)
            throw MessageError(QStringLiteral("Cannot write file \"log-0.txt\"."));
    }
    void ShowHouseProgress(int maximum, int position) override {
        Record(QStringLiteral("house: %1/%2").arg(position).arg(maximum));
    }
    void ShowStageProgress(int maximum, int position) override {
        Record(QStringLiteral("stage: %1/%2").arg(position).arg(maximum));
    }
    void PauseAfterError(Scraper& worker, const QString& result) override {
        if (!ReportErrorPause(result, [this](const QString& message) { AddLogLine(message); }))
            return;
        ArmResumeTimer();
        if (holdOnPause)
            worker.Hold();
        else
            clock_.Sleep(15000);
    }
    void ArmResumeTimer() override { Record(QStringLiteral("timer")); }

    int IntervalSeconds() const override { return interval; }
    int PageSize() const override { return pageSize; }
    bool SavePassports() const override { return savePassports; }
    bool RequestCoordinates() const override { return coordinates; }
    bool RequestPassports() const override { return passports; }
    bool RequestCards() const override { return cards; }
    void OpenWorkbook(const QString& path) override { Record(QStringLiteral("open: ") + path); }

    QStringList Calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    // The messages of the log lines, in order.
    QStringList LogLines() const {
        QStringList lines;
        for (const QString& call : Calls())
            if (call.startsWith(QStringLiteral("log: ")))
                lines.append(call.mid(5));
        return lines;
    }

    std::atomic<int> interval{0};
    int pageSize = 100;
    bool savePassports = false;
    bool coordinates = true;
    bool passports = true;
    bool cards = true;
    bool holdOnPause = false;
    bool failEndReport = false; // the end report fails as a log file that cannot be saved
    std::function<void(const QString&)> onLog;

private:
    void Record(const QString& call) {
        const std::lock_guard lock(mutex_);
        calls_.append(call);
    }

    FakeClock& clock_;
    mutable std::mutex mutex_;
    QStringList calls_;
};
