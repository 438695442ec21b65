#include "harvest/HarvestRun.h"

#include "base/Clock.h"
#include "base/MessageError.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "harvest/SkipList.h"
#include "harvest/WorkbookConversion.h"
#include "http/PortalClient.h"
#include "http/PortalError.h"
#include "portal/PortalApi.h"
#include "records/OutputTable.h"
#include "records/PassportFiles.h"
#include "records/RecordsError.h"
#include "records/TableReadBack.h"

#include <algorithm>
#include <limits>

QString FailureMessage(const std::exception& failure) {
    if (const auto* error = dynamic_cast<const MessageError*>(&failure))
        return error->message();
    return QString::fromUtf8(failure.what());
}

HarvestRun::HarvestRun(Scraper& worker, RunWindow& window, Clock& clock, QString directory)
    : worker_(worker), window_(window), clock_(clock), directory_(std::move(directory)) {}

HarvestRun::~HarvestRun() = default;

void HarvestRun::Execute() {
    bool tableOpened = false;
    try {
        tableOpened = SetUp();
        if (tableOpened) {
            StopPoint();
            if (worker_.RepairedRecord.isEmpty())
                WalkPairs();
            else
                RepairTable();
            walkedToEnd_ = true;
            ResetProgress();
        }
    } catch (const RunStopped&) {
    } catch (const TableWriteFailed& failure) {
        EndAfterWriteFailure(failure.message);
    } catch (const RecordWriteFailed& failure) {
        EndAfterWriteFailure(failure.message());
    } catch (const std::exception& failure) {
        // A failure outside the attempts of a request leaves the pairs for good.
        worker_.failed_ = true;
        try {
            PauseAfterError(FailureMessage(failure));
            ResetProgress();
        } catch (const RunStopped&) {
        } catch (const std::exception&) {
        }
    }
    EndRun(tableOpened);
}

void HarvestRun::EndAfterWriteFailure(const QString& message) {
    // No request failed: asking again cannot help, so it is said once and the run ends.
    worker_.failed_ = true;
    try {
        Log(QStringLiteral("Ошибка: ") + message);
        ResetProgress();
    } catch (const std::exception&) {
    }
}

bool HarvestRun::SetUp() {
    const bool passportFolderMissing =
        window_.SavePassports() && !PreparePassportFolder(directory_);

    worker_.WaitWhileHeld();
    worker_.CursorHourGlass = true;
    window_.ShowRunState(true);

    if (passportFolderMissing) {
        // Every save would fail and be asked for twenty times: say it once and keep the columns.
        savePassports_ = false;
        Log(QStringLiteral("Ошибка: не удалось создать папку ") + directory_ +
            QStringLiteral("json, паспорта не будут сохраняться в файлы"));
    }

    const int skipCount = CountSkipLines(directory_ + QStringLiteral("skip.txt"));
    if (skipCount > 0)
        Log(QStringLiteral("В файле skip.txt найдено ") + QString::number(skipCount) +
            QStringLiteral(" ссылок на карточки организаций, которые не будут загружаться."));

    client_ = std::make_unique<PortalClient>(ClientProfile::Worker);
    if (worker_.ReadTimeoutMs > 0)
        client_->SetReadTimeout(worker_.ReadTimeoutMs);
    worker_.SetClient(client_.get());
    // What a run's first search leaves on the client: a repair, whose first request is a GET,
    // sends its house requests as a run does.
    ApplyPostSettings(*client_);
    client_->SetConnectionValue(QStringLiteral("keep-alive"));
    lastSuccessTick_ = 0;

    try {
        OpenTable();
    } catch (const std::exception& failure) {
        // Without a table there is nothing to harvest into; say why instead of ending quietly.
        worker_.failed_ = true;
        Log(QStringLiteral("Ошибка: ") + FailureMessage(failure));
        return false;
    }

    const qint64 pairs = qint64(worker_.CitiesCodesList.size()) * worker_.StreetsCodesList.size();
    worker_.StagesProgressBarMax =
        std::int32_t(std::min<qint64>(pairs, std::numeric_limits<std::int32_t>::max()));
    return true;
}

void HarvestRun::WalkPairs() {
    const qsizetype cities = worker_.CitiesCodesList.size();
    for (qsizetype i = 0; i < cities; ++i) {
        const qsizetype streets = worker_.StreetsCodesList.size();
        for (qsizetype j = 0; j < streets; ++j) {
            if (record_->History().PairDone(i, j))
                continue;
            worker_.StagesProgressBarPosition = std::int32_t(
                std::min<qint64>(i * streets + j + 1, std::numeric_limits<std::int32_t>::max()));
            ShowStageProgress();
            StopPoint();
            Log(QStringLiteral("Начинаем выгрузку региона ") + worker_.RegionName +
                QStringLiteral(", города ") + worker_.CitiesNamesList.value(i) +
                QStringLiteral(", улицы ") + worker_.StreetsNamesList.value(j));
            HarvestPair(i, j);
            worker_.WaitWhileHeld();
            // The rows on disk before the line that counts them: a power cut never leaves a
            // record that promises rows the table lost.
            try {
                table_->Flush();
            } catch (const RecordsError& failure) {
                throw TableWriteFailed{failure.message()};
            }
            record_->PairDone(i, j, tableRows_, table_->Size());
        }
    }
}

void HarvestRun::ResetProgress() {
    worker_.ProgressBarPosition = 0;
    ShowHouseProgress();
    worker_.StagesProgressBarPosition = 0;
    ShowStageProgress();
}

void HarvestRun::EndRun(bool tableOpened) {
    worker_.SetClient(nullptr);
    try {
        ReportIncompleteHouses();
    } catch (const std::exception&) {
        // A window call that failed; the end report below still runs.
    }
    worker_.Made.rows = tableRows_;
    worker_.Made.incomplete = record_ ? record_->History().incomplete.size() : 0;
    worker_.Made.lostPages = record_ ? record_->History().lostPages.size() : 0;
    worker_.Made.workbookPath = table_ ? table_->WorkbookPath() : QString();
    // A run started during the conversion may take the record up.
    if (record_)
        record_->Unlock();
    try {
        worker_.WaitWhileHeld();
        worker_.CursorHourGlass = false;
        window_.ShowRunState(false);
    } catch (const std::exception&) {
        // The window reports a log file it could not save; the table is closed all the same.
    }
    if (!table_)
        return;
    try {
        table_->Close();
    } catch (const std::exception& failure) {
        worker_.failed_ = true;
        Log(QStringLiteral("Ошибка: ") + FailureMessage(failure));
    }
    if (!tableOpened)
        return;
    // Leaving the program skips the workbook: nobody is there to open it.
    if (worker_.ConvertsWorkbook && worker_.StoppingNow())
        return;
    if (worker_.ConvertsWorkbook && !ConvertToWorkbook(
                                        table_->TablePath(), table_->WorkbookPath(),
                                        [this](const QString& message) { Log(message); }, window_,
                                        [this] { return worker_.StoppingNow(); })) {
        worker_.failed_ = true;
        return;
    }
    // The run's last step is taken (a run that makes no workbook has none to take).
    try {
        record_->WorkbookMade();
        worker_.completed_ = walkedToEnd_;
    } catch (const RecordWriteFailed& failure) {
        worker_.failed_ = true;
        Log(QStringLiteral("Ошибка: ") + failure.message());
    }
}

void HarvestRun::Log(const QString& message) {
    worker_.WaitWhileHeld();
    worker_.LogMessageText = message;
    window_.AddLogLine(message);
}

void HarvestRun::LogRequest(const QString& message) {
    WaitToBegin();
    worker_.LogMessageText = message;
    window_.AddLogLine(message);
}

void HarvestRun::WaitToBegin() {
    worker_.WaitWhileHeld();
    if (worker_.StoppedWhileHeld())
        throw RunStopped{};
}

void HarvestRun::ShowHouseProgress() {
    window_.ShowHouseProgress(worker_.ProgressBarMax, worker_.ProgressBarPosition);
}

void HarvestRun::ShowStageProgress() {
    window_.ShowStageProgress(worker_.StagesProgressBarMax, worker_.StagesProgressBarPosition);
}

void HarvestRun::PauseAfterError(const QString& failure) {
    // A request cut short because the program is leaving is no failure to report or wait for.
    if (worker_.StoppingNow())
        throw RunStopped{};
    worker_.result = QStringLiteral("ERROR_") + failure;
    window_.PauseAfterError(worker_, worker_.result);
    // An error pause holds the worker right here, before anything that follows the failure.
    worker_.WaitWhileHeld();
}

void HarvestRun::WaitForInterval() {
    while (clock_.TickCount() - lastSuccessTick_ < intervalMs_ && !worker_.StopRequested())
        clock_.Sleep(100);
    StopPoint();
}

void HarvestRun::StopPoint() const {
    if (worker_.StopRequested())
        throw RunStopped{};
}

bool WasNotFound(const std::exception& failure) {
    const auto* error = dynamic_cast<const PortalError*>(&failure);
    return error && error->StatusCode() == 404;
}
