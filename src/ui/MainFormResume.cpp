// The window's offer to take up an earlier run of the job that START is about to begin.
#include "base/MessageError.h"
#include "base/RussianPlural.h"
#include "harvest/RunRecord.h"
#include "harvest/Scraper.h"
#include "records/TableReadBack.h"
#include "ui/MainForm.h"
#include "ui/WindowServices.h"

void MainForm::OfferEarlierRun(Scraper& worker) {
    const RunJob job{worker.RegionCode,
                     worker.RegionName,
                     worker.CitiesNamesList,
                     worker.CitiesCodesList,
                     worker.StreetsNamesList,
                     worker.StreetsCodesList,
                     PageSize(),
                     RequestCoordinates(),
                     RequestPassports(),
                     RequestCards(),
                     SavePassports()};
    for (const FoundRecord& found : RunRecordsIn(runDirectory_)) {
        const RunHistory& history = found.history;
        if (history.job != job)
            continue;
        if (!history.Finished() || history.AwaitsWorkbook(runDirectory_)) {
            qint64 rows = history.rowsAtPairEnd;
            try {
                rows = qint64(ReadTableBack(runDirectory_ + history.tableName).rowEnds.size());
            } catch (const MessageError&) {
                // The run says why when it is asked to continue the table.
            }
            if (services_->AskYesNo(this, windowTitle(),
                                    QStringLiteral("Найдена незавершённая выгрузка %1 (%2). "
                                                   "Продолжить её?")
                                        .arg(history.tableName, CountOf(rows, QStringLiteral("дом"),
                                                                        QStringLiteral("дома"),
                                                                        QStringLiteral("домов")))))
                worker.ContinuedRecord = found.path;
        } else if (!history.incomplete.isEmpty() &&
                   services_->AskYesNo(
                       this, windowTitle(),
                       QStringLiteral("Выгрузка %1 завершена, но данные части "
                                      "домов неполные. Догрузить недостающие "
                                      "данные для %2?")
                           .arg(history.tableName,
                                CountOf(history.incomplete.size(), QStringLiteral("дома"),
                                        QStringLiteral("домов"), QStringLiteral("домов"))))) {
            worker.RepairedRecord = found.path;
        }
        return; // only the newest run of the job is offered
    }
}
