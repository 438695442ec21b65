// The run's record and table: made new, or taken back from an earlier run of the same job.
#include "base/Clock.h"
#include "base/MessageError.h"
#include "base/RussianPlural.h"
#include "harvest/HarvestRun.h"
#include "harvest/IncompleteList.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "records/OutputTable.h"
#include "records/TableReadBack.h"
#include "workbook/TemporaryWorkbookFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw MessageError(QStringLiteral("Файл \"%1\" не подходит: %2").arg(path, reason));
}

// A refusal whose reason already says what the user can do next.
[[noreturn]] void RefuseWithNextStep(const QString& path, const QString& reason) {
    throw RunRefusal(QStringLiteral("Файл \"%1\" не подходит: %2").arg(path, reason));
}

// The table must be the one the record was kept for: as many rows at least as the record
// counted at its latest finished pair, ending exactly where that pair left it.
void CheckTable(const QString& tablePath, const RunHistory& history,
                const TableContents& contents) {
    const qint64 rows = qint64(contents.rowEnds.size());
    const auto endAtPair = [&] {
        return history.rowsAtPairEnd == 0 ? contents.headerEnd
                                          : contents.rowEnds[history.rowsAtPairEnd - 1];
    };
    if (rows < history.rowsAtPairEnd)
        RefuseWithNextStep(
            tablePath,
            QStringLiteral("в таблице %1, а по записи после последней завершённой пары их %2: "
                           "таблица короче, чем её записала эта выгрузка, и продолжить её "
                           "нельзя; начните новую выгрузку")
                .arg(CountOf(rows, QStringLiteral("строка"), QStringLiteral("строки"),
                             QStringLiteral("строк")))
                .arg(history.rowsAtPairEnd));
    if (history.bytesAtPairEnd != 0 && endAtPair() != history.bytesAtPairEnd)
        Refuse(tablePath, QStringLiteral("строки таблицы не те, что записала эта выгрузка "
                                         "(по записи %1 строк и %2 байт после последней пары)")
                              .arg(history.rowsAtPairEnd)
                              .arg(history.bytesAtPairEnd));
}

} // namespace

RunJob HarvestRun::JobOfRun() const {
    return RunJob{worker_.RegionCode,      worker_.RegionName,           worker_.CitiesNamesList,
                  worker_.CitiesCodesList, worker_.StreetsNamesList,     worker_.StreetsCodesList,
                  window_.PageSize(),      window_.RequestCoordinates(), window_.RequestPassports(),
                  window_.RequestCards(),  window_.SavePassports()};
}

void HarvestRun::OpenTable() {
    const bool repair = !worker_.RepairedRecord.isEmpty();
    const QString recordPath = repair ? worker_.RepairedRecord : worker_.ContinuedRecord;
    if (recordPath.isEmpty()) {
        table_ = std::make_unique<OutputTable>(directory_, clock_.TickCount());
        Log(QStringLiteral("Данные будут записываться в файл ") + table_->WorkbookPath());
        worker_.WaitWhileHeld();
        table_->Open();
        const QString name = QFileInfo(table_->TablePath()).fileName();
        try {
            record_ = RunRecord::Create(directory_ + RunRecordName(name), name, JobOfRun());
        } catch (const MessageError&) {
            // A start that cannot keep its record leaves nothing behind; the table is empty.
            const QString tablePath = table_->TablePath();
            table_.reset();
            QFile::remove(tablePath);
            throw;
        }
        return;
    }
    try {
        TakeUpTable(recordPath, repair);
    } catch (const MessageError& failure) {
        // Nothing of a refused run is reported or rewritten at the end.
        record_.reset();
        table_.reset();
        if (dynamic_cast<const RunRefusal*>(&failure) != nullptr)
            throw;
        throw MessageError(failure.message() +
                           (repair ? QStringLiteral("; догрузить её данные нельзя, начните "
                                                    "новую выгрузку")
                                   : QStringLiteral("; продолжить её нельзя, начните новую "
                                                    "выгрузку")));
    }
}

void HarvestRun::TakeUpTable(const QString& recordPath, bool repair) {
    worker_.WaitWhileHeld();
    record_ = RunRecord::Take(recordPath);
    const RunHistory& history = record_->History();
    if (history.job != JobOfRun())
        Refuse(recordPath, QStringLiteral("задание выгрузки в нём другое"));
    if (repair && !history.Finished())
        throw RunRefusal(QStringLiteral("Выгрузка \"%1\" не завершена, догружать её данные "
                                        "рано: сначала продолжите её")
                             .arg(recordPath));
    if (!repair && history.Finished() && !history.AwaitsWorkbook(directory_))
        Refuse(recordPath, QStringLiteral("выгрузка уже завершена"));
    table_ = std::make_unique<OutputTable>(directory_, history.tableName);
    Log(QStringLiteral("Данные будут записываться в файл ") + table_->WorkbookPath());
    // A workbook that a kill left half-made is made again at the end of this run.
    RemoveTemporaryWorkbooks(table_->WorkbookPath());
    auto contents = std::make_unique<TableContents>(ReadTableBack(table_->TablePath()));
    CheckTable(table_->TablePath(), history, *contents);
    tableRows_ = qint64(contents->rowEnds.size());

    // A house recorded incomplete whose row a kill kept from the table is visited again.
    const QSet<QString> inTable(contents->guids.begin(), contents->guids.end());
    for (const QString& guid : history.incomplete.keys())
        if (!inTable.contains(guid))
            record_->Repaired(guid);

    if (repair) {
        repaired_ = std::move(contents);
        return;
    }
    worker_.WaitWhileHeld();
    table_->Continue(contents->wholeLinesEnd);
    rowsOfPairUnderWay_ = contents->guids.sliced(history.rowsAtPairEnd);
    for (const QString& guid : std::as_const(rowsOfPairUnderWay_))
        ++writtenInPair_[guid];
    Log(QStringLiteral("Продолжаем выгрузку в файл %1: строк в таблице %2, пропускаем "
                       "завершённых пар %3 из %4")
            .arg(QFileInfo(table_->TablePath()).fileName())
            .arg(tableRows_)
            .arg(history.pairsDone.size())
            .arg(history.job.Pairs()));
}

bool HarvestRun::SkipsWrittenHouse(const QString& guid) {
    const auto found = writtenInPair_.find(guid);
    if (found == writtenInPair_.end())
        return false;
    if (--found.value() == 0)
        writtenInPair_.erase(found);
    return true;
}

void HarvestRun::ReportIncompleteHouses() {
    if (!record_ || !table_)
        return;
    const QMap<QString, int>& incomplete = record_->History().incomplete;
    const QString listPath = IncompleteListPath(table_->TablePath());
    if (incomplete.isEmpty()) {
        // A repair that filled every gap leaves no list behind.
        RemoveIncompleteList(listPath);
        return;
    }
    Log(QStringLiteral("Домов с неполными данными: ") + QString::number(incomplete.size()));
    try {
        SaveIncompleteList(listPath, incomplete);
    } catch (const MessageError& failure) {
        worker_.failed_ = true;
        Log(QStringLiteral("Ошибка: ") + failure.message());
    }
}
