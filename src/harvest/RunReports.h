#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The texts that every window of a run shows the same way, written once for the window, the
// terminal and the tests. `log` appends one time-stamped line.
using LogLineSink = std::function<void(const QString& message)>;

// End report: "Работа завершена", the log file's name, then the log saved to directory + name
// with the lines that `lines` gives at that moment. A log file that cannot be saved is logged as
// "Ошибка: " + the reason and the failure passed on.
void EndReport(const QString& directory, std::uint32_t tickCount, const LogLineSink& log,
               const std::function<QStringList()>& lines);

// Error pause: when the failure earns it, logs "Ошибка: " + result and the pause line and gives
// true; the caller then arms the resume timer and holds the worker. Otherwise logs nothing.
bool ReportErrorPause(const QString& result, const LogLineSink& log);
