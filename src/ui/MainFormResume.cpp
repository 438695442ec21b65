// The window's offer to take up an earlier run of the job that START is about to begin, and at
// start-up the offer of an unfinished run with its selection shown again.
#include "base/MessageError.h"
#include "base/RussianPlural.h"
#include "harvest/RunRecord.h"
#include "harvest/Scraper.h"
#include "records/TableReadBack.h"
#include "ui/MainForm.h"
#include "ui/RunFilesDirectory.h"
#include "ui/WindowServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

namespace {

// Rows of the run's table as it stands; the record's count when the table cannot be read (the
// run says why when it is taken up).
qint64 TableRows(const QString& directory, const RunHistory& history) {
    try {
        return qint64(ReadTableBack(directory + history.tableName).rowEnds.size());
    } catch (const MessageError&) {
        return history.rowsAtPairEnd;
    }
}

} // namespace

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
    if (const auto offered = std::exchange(offered_, nullptr)) {
        // The run the start-up offer took up, with its own job whatever the lists now say.
        const RunJob& taken = offered->history.job;
        worker.CitiesNamesList = taken.cityNames;
        worker.CitiesCodesList = taken.cityCodes;
        worker.StreetsNamesList = taken.streetNames;
        worker.StreetsCodesList = taken.streetCodes;
        worker.RegionCode = taken.regionCode;
        worker.RegionName = taken.regionName;
        const RunHistory& history = offered->history;
        const bool unfinished = !history.Finished() || history.AwaitsWorkbook(runDirectory_);
        (unfinished ? worker.ContinuedRecord : worker.RepairedRecord) = offered->path;
        return;
    }
    for (const FoundRecord& found : RunRecordsIn(runDirectory_)) {
        const RunHistory& history = found.history;
        if (history.job != job)
            continue;
        if (!history.Finished() || history.AwaitsWorkbook(runDirectory_)) {
            const qint64 rows = TableRows(runDirectory_, history);
            if (services_->AskYesNo(this, windowTitle(),
                                    QStringLiteral("Найдена незавершённая выгрузка %1 (%2). "
                                                   "Продолжить её?")
                                        .arg(history.tableName, CountOf(rows, QStringLiteral("дом"),
                                                                        QStringLiteral("дома"),
                                                                        QStringLiteral("домов")))))
                worker.ContinuedRecord = found.path;
        } else if (!history.Complete() &&
                   services_->AskYesNo(
                       this, windowTitle(),
                       history.lostPages.isEmpty()
                           ? QStringLiteral("Выгрузка %1 завершена, но данные части "
                                            "домов неполные. Догрузить недостающие "
                                            "данные для %2?")
                                 .arg(history.tableName,
                                      CountOf(history.incomplete.size(), QStringLiteral("дома"),
                                              QStringLiteral("домов"), QStringLiteral("домов")))
                           : QStringLiteral("Выгрузка %1 завершена, но страниц поиска не "
                                            "загружено: %2, домов с неполными данными: %3. "
                                            "Догрузить недостающие данные?")
                                 .arg(history.tableName)
                                 .arg(history.lostPages.size())
                                 .arg(history.incomplete.size()))) {
            worker.RepairedRecord = found.path;
        }
        return; // only the newest run of the job is offered
    }
}

namespace {

QString OfferText(const RunHistory& history, qint64 rows) {
    QString figures = QStringLiteral("готово пар %1 из %2, в таблице %3")
                          .arg(history.pairsDone.size())
                          .arg(history.job.Pairs())
                          .arg(CountOf(rows, QStringLiteral("дом"), QStringLiteral("дома"),
                                       QStringLiteral("домов")));
    if (!history.incomplete.isEmpty())
        figures += QStringLiteral(", с неполными данными %1").arg(history.incomplete.size());
    if (!history.lostPages.isEmpty())
        figures +=
            QStringLiteral(", страниц поиска не загружено: %1").arg(history.lostPages.size());
    return QStringLiteral("Найдена незавершённая выгрузка по региону %1 (%2): %3. Продолжить её?")
        .arg(history.job.regionName, history.tableName, figures);
}

// Selects the entries of these codes in the list, in order; an entry the list lacks is added
// with the record's name (an empty code stands for the placeholder at the top).
void SelectEntries(QListWidget* list, const QStringList& names, const QStringList& codes) {
    const QSignalBlocker blocker(list);
    list->clearSelection();
    for (qsizetype k = 0; k < codes.size(); ++k) {
        int found = -1;
        for (int row = 0; row < list->count() && found < 0; ++row) {
            const bool placeholder = row == 0 && list->item(row)->data(Qt::UserRole).isNull();
            if (codes[k].isEmpty() ? placeholder
                                   : list->item(row)->data(Qt::UserRole).toString() == codes[k])
                found = row;
        }
        if (found < 0) {
            found = codes[k].isEmpty() ? 0 : list->count();
            auto* item = new QListWidgetItem(names.value(k));
            if (!codes[k].isEmpty())
                item->setData(Qt::UserRole, codes[k]);
            list->insertItem(found, item);
        }
        list->item(found)->setSelected(true);
    }
    if (!codes.isEmpty())
        list->setCurrentRow(list->row(list->selectedItems().value(0)),
                            QItemSelectionModel::NoUpdate);
}

} // namespace

void MainForm::OfferUnfinishedRun() {
    const QString directory = RunFilesDirectory(programDirectory_, documentsDirectory_);
    for (const FoundRecord& found : RunRecordsIn(directory)) {
        if (!found.history.NeedsAttention(directory))
            continue;
        const qint64 rows = TableRows(directory, found.history);
        if (!services_->AskYesNo(this, windowTitle(), OfferText(found.history, rows)))
            continue; // the next older one is offered
        RestoreSelection(found);
        offered_ = std::make_shared<const FoundRecord>(found);
        StartButtonClick();
        return;
    }
}

void MainForm::RestoreSelection(const FoundRecord& found) {
    const RunJob& job = found.history.job;
    try {
        // The region load may have run while the question was open.
        StartupTimer->stop();
        if (RegionComboBox->count() == 0)
            StartupTimerTimer();
        const int region = RegionComboBox->findData(job.regionCode);
        if (region <= 0)
            throw MessageError(QStringLiteral("нет региона ") + job.regionName);
        {
            const QSignalBlocker blocker(RegionComboBox);
            RegionComboBox->setCurrentIndex(region);
        }
        RegionComboBoxChange();
        SelectEntries(ListBox1, job.cityNames, job.cityCodes);
        ListBox1Click();
    } catch (const MessageError& failure) {
        LogPlain(QStringLiteral("Списки заполнены из записи выгрузки: ") + failure.message());
        const QSignalBlocker blocker(RegionComboBox);
        RegionComboBox->clear();
        RegionComboBox->addItem(QStringLiteral("Выберите регион!"));
        RegionComboBox->addItem(job.regionName, job.regionCode);
        RegionComboBox->setCurrentIndex(1);
        for (QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
            const QSignalBlocker listBlocker(list);
            list->clear();
        }
        SelectEntries(ListBox1, job.cityNames, job.cityCodes);
    }
    SelectEntries(ListBox3, job.streetNames, job.streetCodes);
    elementsPerPageSpinEdit->setValue(job.pageSize);
    CoordsCheckBox->setChecked(job.coordinates);
    PassCheckBox->setChecked(job.passports);
    CardCheckBox->setChecked(job.cards);
    SavePassportsCheckBox->setChecked(job.savePassports);
}
