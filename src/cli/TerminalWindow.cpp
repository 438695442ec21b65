#include "cli/TerminalWindow.h"

#include "base/Clock.h"
#include "base/MessageError.h"
#include "harvest/LogLine.h"
#include "harvest/ProgressView.h"
#include "harvest/RunReports.h"
#include "harvest/Scraper.h"

namespace {

// Carriage return, then erase to the end of the line: the progress line goes away.
constexpr char kEraseLine[] = "\r\x1b[K";

} // namespace

QString ProgressLine(int houseMaximum, int housePosition, int stageMaximum, int stagePosition) {
    const ProgressView houses = MakeProgressView(houseMaximum, housePosition);
    const ProgressView stages = MakeProgressView(stageMaximum, stagePosition);
    return QStringLiteral("Дом %1 из %2, пара %3 из %4")
        .arg(houses.position)
        .arg(houses.maximum)
        .arg(stages.position)
        .arg(stages.maximum);
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
        lines_.clear();
        running_ = true;
        Append(QStringLiteral("Начинаем работу."));
        return;
    }
    running_ = false;
    try {
        EndReport(
            directory_, clock_.TickCount(), [this](const QString& message) { Append(message); },
            [this] { return lines_; });
    } catch (const MessageError&) {
        logFileFailed_ = true;
        throw;
    }
}

void TerminalWindow::ShowHouseProgress(int maximum, int position) {
    const std::lock_guard lock(mutex_);
    houseMaximum_ = maximum;
    housePosition_ = position;
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
    return logFileFailed_;
}

QStringList TerminalWindow::Lines() const {
    const std::lock_guard lock(mutex_);
    return lines_;
}

void TerminalWindow::Append(const QString& message) {
    const QString line = FormatLogLine(message);
    lines_.append(line);
    EraseProgress();
    Write(line.toUtf8() + '\n');
    DrawProgress();
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
    Write(kEraseLine +
          ProgressLine(houseMaximum_, housePosition_, stageMaximum_, stagePosition_).toUtf8());
    progressShown_ = true;
}

void TerminalWindow::Write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
    std::fflush(out_);
}
