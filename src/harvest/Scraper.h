#pragma once

#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class Clock;
class PortalClient;
class RunWindow;

// One harvest run on a thread of its own: set-up, every city and street pair, the end steps.
// The window creates it (not running), fills the job fields, and starts it; afterwards it only
// holds, releases and asks it to stop. The object deletes itself (deleteLater) when its thread
// has finished, so the window keeps it in a QPointer.
class Scraper : public QThread {
    Q_OBJECT

public:
    // directory: the program's directory with its trailing "/", where every file of the run goes.
    Scraper(RunWindow& window, QString directory, Clock& clock);
    ~Scraper() override;

    // The job, filled before start().
    QStringList CitiesNamesList;
    QStringList CitiesCodesList;
    QStringList StreetsNamesList;
    QStringList StreetsCodesList;
    QString RegionCode;
    QString RegionName;
    // The record (data<n>.run) of an earlier run with this job: its table is continued from
    // where it stopped, or, for a finished run, its incomplete houses are asked for again.
    // Empty for a new run.
    QString ContinuedRecord;
    QString RepairedRecord;

    // Whether the end steps convert the table into a workbook (the spreadsheet layer is built in);
    // tests switch it off.
    bool ConvertsWorkbook = true;
    // Whether a continuation goes straight to the page where its run stopped; the benchmark
    // switches it off to compare with paging the pair from page 1.
    bool ResumesAtStopPage = true;
    // Read time-out of the run's client in ms; 0 keeps the worker profile's. The headless command
    // shortens it for runs against the fake portal, whose slow answers must cost little time.
    int ReadTimeoutMs = 0;

    // The run itself; start() runs it on the object's thread, tests may call it directly.
    void Execute();

    // Hold and release: a held worker begins nothing (no request, log line or file write) until
    // it is released. Safe from any thread.
    void Hold();
    void Release();
    bool IsHeld() const;
    // Asks the run to end at its next stop point; also releases a held worker.
    void RequestStop();
    bool StopRequested() const { return stop_.load(); }
    // Whether the stop request found the worker held: it then begins nothing more.
    bool StoppedWhileHeld() const { return stoppedWhileHeld_.load(); }
    // The immediate stop for leaving the program: the stop request, the gate opened, the request
    // under way aborted and no further pause slept, so the run reaches its end steps at once.
    void StopNow();
    bool StoppingNow() const { return stoppingNow_.load(); }
    // Whether the run went wrong outside the attempts of its requests: no table, a failure that
    // left the pairs, a table that could not be closed, or a workbook that could not be made.
    // Read once the run has ended (a caller without a window has no other way to tell).
    bool Failed() const { return failed_.load(); }
    // Whether the run ended with houses or search pages still missing (see the list beside the
    // table); read once the run has ended.
    bool LeftIncomplete() const { return leftIncomplete_.load(); }
    // Whether the run reached its end: every pair (or every house of a repair) done and the
    // workbook made when it makes one. Read once the run has ended.
    bool Completed() const { return completed_.load(); }

    // What the run made, filled before its end report: the rows of its table, the houses left
    // incomplete, the search pages lost and the workbook its table becomes.
    struct Outcome {
        qint64 rows = 0;
        qint64 incomplete = 0;
        qint64 lostPages = 0;
        QString workbookPath;
    };
    Outcome Made;

    // Read by the window calls' implementations and by tests.
    QString LogMessageText;
    QString result;
    bool CursorHourGlass = false;
    std::int32_t ProgressBarPosition = 0;
    std::int32_t ProgressBarMax = 0;
    std::int32_t StagesProgressBarPosition = 0;
    std::int32_t StagesProgressBarMax = 0;

protected:
    void run() override;

private:
    friend class HarvestRun;

    void WaitWhileHeld();
    void SetClient(PortalClient* client);

    RunWindow& window_;
    QString directory_;
    Clock& clock_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> stoppingNow_{false};
    std::atomic<bool> stoppedWhileHeld_{false}; // changed under gateMutex_
    std::atomic<bool> failed_{false};
    std::atomic<bool> leftIncomplete_{false};
    std::atomic<bool> completed_{false};
    mutable std::mutex gateMutex_;
    std::condition_variable gateOpened_;
    std::atomic<bool> held_{false}; // changed under gateMutex_, read by IsHeld without it
    std::mutex clientMutex_;
    PortalClient* client_ = nullptr;
};
