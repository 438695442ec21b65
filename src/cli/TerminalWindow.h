#pragma once

#include "cli/CliOptions.h"
#include "harvest/RunWindow.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <mutex>

class Clock;

// The window of a headless run. Every call runs on the worker's own thread, since there is no
// window thread to hand it to: log lines go to `out` as they come, in the window's format; the
// end report saves the lines of this run as the log file; the error pause is a wait of 15 s
// through the run's clock (in 100 ms steps, so that a stop ends it) instead of a held worker and
// a resume timer. On a terminal a progress line (houses of the pair, pairs) stays below the log.
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

    // The stop line of the window's stop button, for Ctrl-C. Safe from any thread.
    void LogStop();
    // Whether the end report could not save the log file.
    bool LogFileFailed() const;
    // The lines of this run so far, as the log file holds them.
    QStringList Lines() const;

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
    QStringList lines_;
    bool progressShown_ = false;
    bool running_ = false;
    int houseMaximum_ = 0;
    int housePosition_ = 0;
    int stageMaximum_ = 0;
    int stagePosition_ = 0;
    bool logFileFailed_ = false;
};

// The progress line: "Дом <position> из <maximum>, пара <position> из <maximum>", clamped as a
// progress bar clamps them.
QString ProgressLine(int houseMaximum, int housePosition, int stageMaximum, int stagePosition);
