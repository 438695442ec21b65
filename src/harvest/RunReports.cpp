#include "harvest/RunReports.h"

#include "base/MessageError.h"
#include "harvest/ErrorPause.h"
#include "harvest/LogFile.h"
#include "harvest/RunLogFile.h"

void EndReport(std::uint32_t tickCount, const LogLineSink& log, RunLogFile& file) {
    log(QStringLiteral("Работа завершена"));
    const QString name = LogFileName(tickCount);
    if (!file.Failed())
        log(QStringLiteral("Лог записан в файл ") + name);
    if (file.Failed()) {
        file.Finish(name); // throws: the failure was logged when it happened
        return;
    }
    try {
        file.Finish(name);
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
