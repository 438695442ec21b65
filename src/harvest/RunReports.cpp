#include "harvest/RunReports.h"

#include "base/MessageError.h"
#include "harvest/ErrorPause.h"
#include "harvest/LogFile.h"

void EndReport(const QString& directory, std::uint32_t tickCount, const LogLineSink& log,
               const std::function<QStringList()>& lines) {
    log(QStringLiteral("Работа завершена"));
    const QString name = LogFileName(tickCount);
    log(QStringLiteral("Лог записан в файл ") + name);
    try {
        SaveLogFile(directory + name, lines());
    } catch (const MessageError& failure) {
        log(QStringLiteral("Ошибка: ") + failure.message());
        throw;
    }
}

bool ReportErrorPause(const QString& result, const LogLineSink& log) {
    if (!QualifiesForErrorPause(result))
        return false;
    log(QStringLiteral("Ошибка: ") + result);
    log(QStringLiteral("Включаем паузу на 15 секунд"));
    return true;
}
