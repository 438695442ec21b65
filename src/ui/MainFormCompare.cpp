// The window's offer, when a finished run has opened its workbook, to compare its table with the
// latest earlier finished run of the same region in the same folder.
#include "base/MessageError.h"
#include "compare/TableComparison.h"
#include "harvest/RunRecord.h"
#include "ui/BusyCursor.h"
#include "ui/MainForm.h"
#include "ui/WindowServices.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

void MainForm::OfferComparison(const QString& workbookPath) {
    const QFileInfo workbook(workbookPath);
    const QString folder = workbook.absolutePath() + QLatin1Char('/');
    const QString tableName = workbook.completeBaseName() + QStringLiteral(".tab");
    const QList<FoundRecord> records = RunRecordsIn(folder);
    const auto current =
        std::find_if(records.begin(), records.end(), [&](const FoundRecord& found) {
            return found.history.tableName == tableName;
        });
    if (current == records.end() || !current->history.Finished())
        return;
    for (auto found = std::next(current); found != records.end(); ++found) {
        if (!found->history.Finished() ||
            found->history.job.regionCode != current->history.job.regionCode)
            continue;
        const QString earlier = folder + found->history.tableName;
        if (!QFileInfo::exists(earlier))
            continue;
        const QString date = QLocale::system().toString(QFileInfo(earlier).lastModified().date(),
                                                        QLocale::ShortFormat);
        if (!services_->AskYesNo(this, windowTitle(),
                                 QStringLiteral("Сравнить с выгрузкой %1 от %2?")
                                     .arg(found->history.tableName, date)))
            return;
        const QString comparison = DefaultComparisonPath(earlier, folder + tableName);
        try {
            const BusyCursor busy;
            CompareTables(earlier, folder + tableName, comparison);
        } catch (const MessageError& failure) {
            LogStamped(QStringLiteral("Ошибка: ") + failure.message());
            return;
        }
        LogStamped(QStringLiteral("Открываем файл сравнения ") + comparison);
        services_->OpenDocument(comparison);
        return;
    }
}
