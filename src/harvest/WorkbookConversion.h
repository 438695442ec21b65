#pragma once

#include <QString>
#include <functional>

class RunWindow;

// The run's last step: the closed table becomes the workbook, which is then handed to the desktop
// to be opened (a window without a desktop logs where it is instead). Every line goes through log;
// a failure is logged as "Ошибка: " + its message and skips what follows. Never throws; false after
// such a failure. When `cancelled` gives true the conversion is given up in silence, its half-made
// workbook removed (the table stays).
bool ConvertToWorkbook(const QString& tablePath, const QString& workbookPath,
                       const std::function<void(const QString&)>& log, RunWindow& window,
                       const std::function<bool()>& cancelled = {});
