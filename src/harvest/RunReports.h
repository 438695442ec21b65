#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class RunLogFile;

// The texts that every window of a run shows the same way, written once for the window, the
// terminal and the tests. `log` appends one time-stamped line.
using LogLineSink = std::function<void(const QString& message)>;

// End report: "Работа завершена", the log file's name as the file's last line, then the run's
// log file (which `log` has been writing since the start report) renamed to that name. A file
// that cannot be renamed is logged as "Ошибка: " + the reason; one that failed earlier was said
// then and gets no name line. Either way the failure is passed on.
void EndReport(std::uint32_t tickCount, const LogLineSink& log, RunLogFile& file);

// Error pause: when the failure earns it, logs "Ошибка: " + result and the pause line and gives
// true; the caller then arms the resume timer and holds the worker. Otherwise logs nothing.
bool ReportErrorPause(const QString& result, const LogLineSink& log);
