#pragma once

#include <QString>

class Scraper;

// What a harvest run asks of the window that started it. The worker never touches a control:
// each call below is run on the window's thread while the worker waits for it, and the option
// reads must be safe while the window's thread changes the values.
class RunWindow {
public:
    virtual ~RunWindow() = default;

    // Appends a time-stamped log line (see FormatLogLine) with this message.
    virtual void AddLogLine(const QString& message) = 0;
    // Start report (true): clear the log, log "Начинаем работу.", disable the start button and
    // the options but the interval. End report (false): log "Работа завершена", save the log
    // file (see LogFile.h) with its line, enable what the start report disabled.
    virtual void ShowRunState(bool cursorHourGlass) = 0;
    // House progress; afterwards the window handles its pending events (pause and stop can run).
    virtual void ShowHouseProgress(int maximum, int position) = 0;
    // Pair progress.
    virtual void ShowStageProgress(int maximum, int position) = 0;
    // When QualifiesForErrorPause(result): logs "Ошибка: " + result and "Включаем паузу на 15
    // секунд", calls ArmResumeTimer and holds the worker; otherwise does nothing at all.
    virtual void PauseAfterError(Scraper& worker, const QString& result) = 0;
    // Arms the one-shot resume timer for 15000 ms.
    virtual void ArmResumeTimer() = 0;

    // Current option values.
    virtual int IntervalSeconds() const = 0;
    virtual int PageSize() const = 0;
    virtual bool SavePassports() const = 0;
    virtual bool RequestCoordinates() const = 0;
    virtual bool RequestPassports() const = 0;
    virtual bool RequestCards() const = 0;

    // Hands the finished workbook to the desktop to be opened; the outcome is not checked.
    virtual void OpenWorkbook(const QString& path) = 0;
    // Whether OpenWorkbook opens anything; a window without a desktop only says where it is.
    virtual bool OpensWorkbook() const { return true; }
};
