#include "cli/TerminalWindow.h"

#include "desktop/SleepInhibitor.h"

#include "base/Clock.h"
#include "cli/RunPace.h"
#include "harvest/LogLine.h"
#include "harvest/ProgressView.h"
#include "harvest/RunReports.h"
#include "harvest/Scraper.h"

#include <algorithm>

namespace {

// Carriage return, then erase to the end of the line: the progress line goes away.
constexpr char kEraseLine[] = "\r\x1b[K";

} // namespace

QString ProgressLine(int houseMaximum, int housePosition, int stageMaximum, int stagePosition,
                     const QString& pace) {
    const ProgressView houses = MakeProgressView(houseMaximum, housePosition);
    const ProgressView stages = MakeProgressView(stageMaximum, stagePosition);
    return QStringLiteral("Дом %1 из %2, пара %3 из %4")
               .arg(houses.position)
               .arg(houses.maximum)
               .arg(stages.position)
               .arg(stages.maximum) +
           pace;
}

TerminalWindow::TerminalWindow(const CliOptions& options, QString directory, Clock& clock,
                               std::FILE* out, bool terminal)
    : options_(options), directory_(std::move(directory)), clock_(clock), out_(out),
      terminal_(terminal) {}

void TerminalWindow::AddLogLine(const QString& message) {
    const std::lock_guard lock(mutex_);
    Append(message);
}

void TerminalWindow::ShowRunState(bool cursorHourGlass) {
    const std::lock_guard lock(mutex_);
    if (cursorHourGlass) {
        running_ = true;
        housesBegun_ = 0;
        const QString failure = logFile_.Begin(directory_, clock_.TickCount());
        Append(QStringLiteral("Начинаем работу."));
        if (!failure.isEmpty())
            Append(QStringLiteral("Ошибка: ") + failure);
        if (inhibitor != nullptr && !inhibitor->Take())
            Append(SleepInhibitor::UnavailableText());
        return;
    }
    running_ = false;
    if (inhibitor != nullptr)
        inhibitor->Release();
    EndReport(
        clock_.TickCount(), [this](const QString& message) { Append(message); }, logFile_);
}

void TerminalWindow::ShowHouseProgress(int maximum, int position) {
    const std::lock_guard lock(mutex_);
    houseMaximum_ = maximum;
    housePosition_ = position;
    // Once per house the run shows its position, from 1 on; 0 only before a pair's houses.
    if (position > 0) {
        latestHouseTick_ = clock_.TickCount();
        if (housesBegun_++ == 0)
            firstHouseTick_ = latestHouseTick_;
    }
    DrawProgress();
}

void TerminalWindow::ShowStageProgress(int maximum, int position) {
    const std::lock_guard lock(mutex_);
    stageMaximum_ = maximum;
    stagePosition_ = position;
    DrawProgress();
}

void TerminalWindow::PauseAfterError(Scraper& worker, const QString& result) {
    if (!ReportErrorPause(result, [this](const QString& message) { AddLogLine(message); }))
        return;
    ArmResumeTimer();
    // The pause the window's resume timer would end: the worker waits here itself.
    const std::uint32_t start = clock_.TickCount();
    while (clock_.TickCount() - start < kErrorPauseMs && !worker.StopRequested())
        clock_.Sleep(100);
    // A stop ends the pause without a line, as the window's stop button does.
    if (!worker.StopRequested())
        AddLogLine(QStringLiteral("Отключаем паузу, продолжаем работу"));
}

void TerminalWindow::ArmResumeTimer() {
    // No timer: PauseAfterError waits the 15 s itself.
}

void TerminalWindow::OpenWorkbook(const QString&) {}

void TerminalWindow::LogStop() {
    AddLogLine(QStringLiteral("Останавливаем работу"));
}

bool TerminalWindow::LogFileFailed() const {
    const std::lock_guard lock(mutex_);
    return logFile_.Failed();
}

void TerminalWindow::Append(const QString& message) {
    const QString line = FormatLogLine(message);
    EraseProgress();
    Write(line.toUtf8() + '\n');
    DrawProgress();
    if (const QString failure = logFile_.Append(line); !failure.isEmpty())
        Append(QStringLiteral("Ошибка: ") + failure);
}

void TerminalWindow::EraseProgress() {
    if (!progressShown_)
        return;
    Write(kEraseLine);
    progressShown_ = false;
}

void TerminalWindow::DrawProgress() {
    if (!terminal_)
        return;
    if (!running_) {
        EraseProgress();
        return;
    }
    const ProgressView houses = MakeProgressView(houseMaximum_, housePosition_);
    const QString pace = PaceText({.elapsedMs = latestHouseTick_ - firstHouseTick_,
                                   .housesDone = housesBegun_ - 1,
                                   .housesLeft = houses.maximum - std::max(houses.position - 1, 0),
                                   .lastPair = stagePosition_ >= stageMaximum_});
    Write(
        kEraseLine +
        ProgressLine(houseMaximum_, housePosition_, stageMaximum_, stagePosition_, pace).toUtf8());
    progressShown_ = true;
}

void TerminalWindow::Write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
    std::fflush(out_);
}
