#pragma once

#include "harvest/RunRecord.h"

#include "json/JsonValue.h"
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Clock;
class OutputTable;
class PortalClient;
class RunWindow;
class Scraper;
class TableRewrite;

// The stop request was seen at a stop point: the run goes straight to its end steps.
struct RunStopped {};

// A row could not be written (the disk is full, say): the table is cut back to its last whole
// row and the run ends, since every later row would be lost as well.
struct TableWriteFailed {
    QString message;
};

// The text of a failure: a MessageError's message, else what() read as UTF-8.
QString FailureMessage(const std::exception& failure);

// Whether the failed request itself was answered "404", not merely one after an earlier 404.
bool WasNotFound(const std::exception& failure);

// The state of one run and the steps that the set-up, the paging and the house visits share:
// window calls, the interval wait, the attempts of one request, the stop points.
class HarvestRun {
public:
    HarvestRun(Scraper& worker, RunWindow& window, Clock& clock, QString directory);
    ~HarvestRun();
    HarvestRun(const HarvestRun&) = delete;
    HarvestRun& operator=(const HarvestRun&) = delete;

    // Set-up, every pair, the end steps. Never throws.
    void Execute();

private:
    bool SetUp();
    void WalkPairs();
    void ResetProgress();
    void EndRun(bool tableOpened);
    // A table or record line that could not be written: said once, and the run ends.
    void EndAfterWriteFailure(const QString& message);

    // Paging of the pair of city i and street j; with onlyPage, that page alone.
    void HarvestPair(qsizetype i, qsizetype j, int onlyPage = 0);
    // What came of up to twenty attempts at one page: the latest answer, and whether the page
    // was given up (its latest answer, if any, blank or cut short).
    struct PageAnswer {
        QString text;
        bool givenUp = false;
    };
    // Where the paging of a pair begins: page 1, or, in the pair a continuation begins in, the
    // page where the run stopped when the listing has not moved (ResumedPair.cpp).
    struct PageStart {
        int pageIndex = 1; // 0: the pair is done
        qint64 received = 0;
        QString answer; // that page's answer when it has already been asked for
    };
    PageStart StartOfPair(qsizetype i, qsizetype j, int pageSize);
    // Clears pageIndex after a 404.
    PageAnswer LoadPage(int& pageIndex, int pageSize, const QString& cityCode,
                        const QString& streetCode);
    // Records a lost page at the table's row count: at once in a run, with the new table in a
    // repair.
    void LosePage(const LostPage& page);
    void VisitHouse(const JsonValue& item);
    // The answers of one house's requests among `parts` (HousePart) that the options allow,
    // the parts answered and the parts whose attempts were all used up.
    struct HouseAnswers {
        QString map;
        QString passport;
        QString card;
        int answered = 0;
        int missing = 0;
    };
    // Fills `answers` part by part, so that a stop keeps the parts answered before it.
    void FetchHouse(const QString& guid, const QString& cardUrl, int parts, HouseAnswers& answers);
    // Up to twenty attempts at one house request: send() sends it and keeps its answer; after
    // a request that succeeded, keep() (when given) stores what must be stored. False when all
    // twenty failed (a 404 is an answer: "no data").
    bool HouseAttempts(const QString& message, const std::function<void()>& send,
                       const std::function<void()>& keep = {});

    // The table and the run's record: a new pair of files, or those of the run continued or
    // repaired, read back and checked (RunContinuation.cpp).
    void OpenTable();
    // The table and record of the run continued or repaired, read back and checked.
    void TakeUpTable(const QString& recordPath, bool repair);
    RunJob JobOfRun() const;
    // Whether the house already has its row from before the continuation (written after the
    // record's last finished pair); each row spares one visit.
    bool SkipsWrittenHouse(const QString& guid);
    // "Домов с неполными данными: N" and the list beside the table, when there are any.
    void ReportIncompleteHouses();
    // Asks again for the lost pages and the missing parts of the incomplete houses, inserts
    // and replaces their rows (TableRepair.cpp).
    void RepairTable();
    // Lost pages with the row before which their houses belong, in table order.
    using LostPagesInOrder = std::vector<std::pair<qint64, LostPage>>;
    // Inserts the houses of the lost pages from `next` on that belong before old row `row`
    // (every page left: -1); after a stop, only records where each page now belongs.
    void InsertLostPages(const LostPagesInOrder& lost, std::size_t& next, qint64 row,
                         bool& stopped);

    void Log(const QString& message);
    // The line of a request about to be sent; a stop that released a held worker ends the run
    // before it.
    void LogRequest(const QString& message);
    // Waits out a hold; a stop that released the worker ends the run before the next request.
    void WaitToBegin();
    void ShowHouseProgress();
    void ShowStageProgress();
    void PauseAfterError(const QString& failure);
    void WaitForInterval();
    void StopPoint() const;

    Scraper& worker_;
    RunWindow& window_;
    Clock& clock_;
    QString directory_;
    std::unique_ptr<PortalClient> client_;
    std::unique_ptr<OutputTable> table_;
    std::uint32_t lastSuccessTick_ = 0;
    std::int64_t lastTotal_ = 0;
    std::uint32_t intervalMs_ = 0;
    bool savePassports_ = true; // off when the passport folder could not be made
    std::unique_ptr<RunRecord> record_;
    // A repair: the table's end when read back, its houses, the new table while it is written,
    // and what is recorded once it has taken the old one's place.
    qint64 repairedEnd_ = 0;
    QSet<QString> inTable_;
    TableRewrite* rewrite_ = nullptr;
    QMap<LostPage, qint64> lostInRepair_;
    QMap<QString, int> missingInRepair_;
    // Rows written after the record's last finished pair, each sparing one visit of its house.
    // Kept past the first pair: a record that fell behind its table leaves rows of later pairs.
    QHash<QString, int> writtenInPair_;
    QStringList rowsOfPairUnderWay_; // their houses in table order, until the first pair begins
    qint64 tableRows_ = 0;
    bool walkedToEnd_ = false; // every pair, or every house of a repair, was done
};
