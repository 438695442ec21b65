#include "harvest/WorkbookConversion.h"

#include "harvest/HarvestRun.h"
#include "harvest/RunWindow.h"
#include "workbook/SpreadsheetTable.h"

bool ConvertToWorkbook(const QString& tablePath, const QString& workbookPath,
                       const std::function<void(const QString&)>& log, RunWindow& window,
                       const std::function<bool()>& cancelled) {
    log(QStringLiteral("Запускаем формирование файла Excel..."));
    try {
        SpreadsheetTable sheet;
        sheet.SetCancelCheck(cancelled);
        sheet.OpenText(tablePath);
        log(QStringLiteral("Файл сформирован, в нем ") + QString::number(sheet.UsedRowCount()) +
            QStringLiteral(" строк"));
        sheet.FreezeHeaderRow();
        sheet.SaveAs(workbookPath);
        if (const auto cut = sheet.CutCellCount(); cut > 0)
            log(QStringLiteral("Ячеек, обрезанных до 32767 символов: ") + QString::number(cut));
        sheet.Close();
        log((window.OpensWorkbook() ? QStringLiteral("Открываем файл с результатами ")
                                    : QStringLiteral("Результаты записаны в файл ")) +
            workbookPath);
        window.OpenWorkbook(workbookPath);
    } catch (const ConversionCancelled&) {
        return false;
    } catch (const std::exception& failure) {
        log(QStringLiteral("Ошибка: ") + FailureMessage(failure));
        return false;
    }
    return true;
}
