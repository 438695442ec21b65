#pragma once

#include "cli/CliOptions.h"
#include "harvest/RunLogFile.h"
#include "harvest/RunWindow.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <mutex>

class Clock;

// The window of a headless run. Every call runs on the worker's own thread, since there is no
// window thread to hand it to: log lines go to `out` and, from the start report to the run's
// last line (the workbook's), to the run's log file as they come, in the window's format; the error
// pause is a wait of 15 s through the run's clock (in 100 ms steps, so that a stop ends it) instead
// of a held worker and a resume timer. On a terminal a progress line (houses of the pair, pairs,
// the pace and the time left) stays below the log.
class TerminalWindow final : public RunWindow {
public:
    // directory: where the log file goes, with its trailing "/".
    TerminalWindow(const CliOptions& options, QString directory, Clock& clock, std::FILE* out,
                   bool terminal);

    void AddLogLine(const QString& message) override;
    void ShowRunState(bool cursorHourGlass) override;
    void ShowHouseProgress(int maximum, int position) override;
    void ShowStageProgress(int maximum, int position) override;
    void PauseAfterError(Scraper& worker, const QString& result) override;
    void ArmResumeTimer() override;

    int IntervalSeconds() const override { return options_.intervalSeconds; }
    int PageSize() const override { return options_.pageSize; }
    bool SavePassports() const override { return options_.savePassports; }
    bool RequestCoordinates() const override { return options_.coordinates; }
    bool RequestPassports() const override { return options_.passports; }
    bool RequestCards() const override { return options_.cards; }
    // Nothing to open on a machine without a desktop: the workbook stays where it was saved.
    void OpenWorkbook(const QString& path) override;
    bool OpensWorkbook() const override { return false; }

    // The stop line of the window's stop button, for Ctrl-C. Safe from any thread.
    void LogStop();
    // Whether the log file of the run could not be written.
    bool LogFileFailed() const;

    static constexpr std::uint32_t kErrorPauseMs = 15000;

private:
    void Append(const QString& message);
    void EraseProgress();
    void DrawProgress();
    void Write(const QByteArray& bytes);

    const CliOptions options_;
    const QString directory_;
    Clock& clock_;
    std::FILE* const out_;
    const bool terminal_;

    mutable std::mutex mutex_;
    RunLogFile logFile_;
    bool progressShown_ = false;
    bool running_ = false;
    int houseMaximum_ = 0;
    int housePosition_ = 0;
    int stageMaximum_ = 0;
    int stagePosition_ = 0;
    // The pace: houses begun in this run, the ticks when the first and the latest began.
    std::int64_t housesBegun_ = 0;
    std::uint32_t firstHouseTick_ = 0;
    std::uint32_t latestHouseTick_ = 0;
};

// The progress line: "Дом <position> из <maximum>, пара <position> из <maximum>", clamped as a
// progress bar clamps them, then the pace and the time left (RunPace.h) when given.
QString ProgressLine(int houseMaximum, int housePosition, int stageMaximum, int stagePosition,
                     const QString& pace = {});
