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

    // Whether the end steps convert the table into a workbook (the spreadsheet layer is built in);
    // tests switch it off.
    bool ConvertsWorkbook = true;

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
    // Ends the request under way at once (for leaving the program; a stop never does this).
    void AbortRequest();

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
    mutable std::mutex gateMutex_;
    std::condition_variable gateOpened_;
    bool held_ = false;
    std::mutex clientMutex_;
    PortalClient* client_ = nullptr;
};
