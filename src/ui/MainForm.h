#pragma once

#include "harvest/RunLogFile.h"
#include "harvest/RunWindow.h"
#include "ui/ThreadCallRelay.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class Clock;
struct DesktopBuses;
struct FoundRecord;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class Scraper;
class SleepInhibitor;
class WindowServices;

// The program's one window: the address lists, the options, start, pause and stop, the log pane,
// the two progress bars and the two timers. Every handler runs inside the top-level error report.
// The window is also what a harvest run reports to (RunWindow): each of those calls is run on the
// window's thread while the worker waits.
class MainForm final : public QWidget, public RunWindow {
public:
    // The log pane keeps this many of the latest lines; the run's log file holds them all.
    static constexpr int kLogPaneLines = 50000;

    struct Setup {
        // The program's folder, with its trailing "/"; empty: the executable's directory.
        QString programDirectory;
        Clock* clock = nullptr;             // nullptr: the system clock
        WindowServices* services = nullptr; // nullptr: the desktop
        // Called with a new worker after its job is filled and before it starts (tests).
        std::function<void(Scraper&)> prepareWorker;
        // Where a run's files go when the program's folder cannot be written; empty: the user's
        // documents folder.
        QString documentsDirectory = {};
        int logPaneLines = kLogPaneLines;
        // The buses of the sleep inhibitor and of the notice at the end of a long run; nullptr:
        // neither is used (MainForm() gives the machine's buses).
        const DesktopBuses* desktop = nullptr;
    };

    MainForm();
    explicit MainForm(const Setup& setup);
    ~MainForm() override;

    // The current worker: the one the latest Start created, while it exists and has not finished.
    Scraper* CurrentWorker() const;

    // RunWindow.
    void AddLogLine(const QString& message) override;
    void ShowRunState(bool cursorHourGlass) override;
    void ShowHouseProgress(int maximum, int position) override;
    void ShowStageProgress(int maximum, int position) override;
    void PauseAfterError(Scraper& worker, const QString& result) override;
    void ArmResumeTimer() override;
    int IntervalSeconds() const override { return interval_.load(); }
    int PageSize() const override { return pageSize_.load(); }
    bool SavePassports() const override { return savePassports_.load(); }
    bool RequestCoordinates() const override { return coordinates_.load(); }
    bool RequestPassports() const override { return passports_.load(); }
    bool RequestCards() const override { return cards_.load(); }
    void OpenWorkbook(const QString& path) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Which edges of the window a control keeps its distance to.
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    struct Anchored {
        QWidget* widget;
        QRect design; // at the design size of the client area
        int anchors;
    };

    void CreateControls();
    void ConnectHandlers();
    void Place(QWidget* widget, QRect rect, int anchors);
    void ApplyAnchors();

    // Runs a handler; a failure that leaves it is shown by the error report.
    void Guarded(const std::function<void()>& handler);
    // Appends the text to the log pane, and to the log file while a run lasts.
    void LogPlain(const QString& text);
    // The same with the time stamp of a log line.
    void LogStamped(const QString& message);

    // Start-up.
    void FormShow();
    // Address directory.
    void StartupTimerTimer();
    void RegionComboBoxChange();
    void ListBox2Click();
    void ListBox1Click();
    // Harvest control.
    void StartButtonClick();
    void PauseButtonClick();
    void ResumeTimerTimer();
    void StopButtonClick();
    // Before a new run: an earlier run in the program's folder with the same job is offered,
    // to be continued (unfinished) or repaired (finished with incomplete houses).
    void OfferEarlierRun(Scraper& worker);
    // After the start-up checks: an unfinished run in the folder of the run files is offered,
    // the newest first; Yes shows its selection and continues it.
    void OfferUnfinishedRun();
    void RestoreSelection(const FoundRecord& found);
    // The sleep inhibitor, held while a run works; the first failure to take it is logged.
    void KeepAwake(bool on);
    // The start and end reports' part: the inhibitor taken and let go, the notice of a run
    // longer than a minute prepared.
    void NoteRunStart();
    void NoteRunEnd(const Scraper* worker);
    // The desktop notice and the call for attention, once the worker of a long run is gone.
    void AnnounceEnd();
    // After a finished run's workbook is opened: its comparison with the latest earlier finished
    // run of the same region in its folder is offered, made and opened.
    void OfferComparison(const QString& workbookPath);

    void EnableRunControls(bool enabled);
    void WorkerGone();
    bool AnyWorkerAlive() const;

    QString programDirectory_;
    QString documentsDirectory_;
    // The folder of the latest run's files, chosen when it starts.
    QString runDirectory_;
    Clock* clock_;
    WindowServices* services_;
    std::function<void(Scraper&)> prepareWorker_;
    int logPaneLines_;
    // The worker's window calls reach the window's thread through it.
    ThreadCallRelay relay_;

    QLabel* Label1 = nullptr;
    QComboBox* RegionComboBox = nullptr;
    QLabel* Label5 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label7 = nullptr;
    QListWidget* ListBox3 = nullptr;
    QPushButton* StartButton = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* LogsMemo = nullptr;
    QLabel* Label6 = nullptr;
    QSpinBox* elementsPerPageSpinEdit = nullptr;
    QCheckBox* SavePassportsCheckBox = nullptr;
    QLabel* Label4 = nullptr;
    QSpinBox* IntervalSpinEdit = nullptr;
    QCheckBox* CoordsCheckBox = nullptr;
    QCheckBox* PassCheckBox = nullptr;
    QCheckBox* CardCheckBox = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* StopButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QProgressBar* StagesProgressBar = nullptr;
    QTimer* StartupTimer = nullptr;
    QTimer* ResumeTimer = nullptr;

    std::vector<Anchored> anchored_;
    bool shownOnce_ = false;

    // The option values as the worker reads them from its own thread.
    std::atomic<int> interval_{2};
    std::atomic<int> pageSize_{100};
    std::atomic<bool> savePassports_{false};
    std::atomic<bool> coordinates_{true};
    std::atomic<bool> passports_{true};
    std::atomic<bool> cards_{true};

    QPointer<Scraper> worker_;
    // Every worker that still exists, the current one included: a worker of an earlier run may
    // still be converting its table, and the program must not end under it.
    QList<QPointer<Scraper>> workers_;
    bool closing_ = false;
    // The log file of the run between its start and end report.
    RunLogFile logFile_;

    std::unique_ptr<DesktopBuses> desktop_;
    std::unique_ptr<SleepInhibitor> inhibitor_;
    bool sleepWarned_ = false;
    std::uint32_t runStartTick_ = 0;
    // The notice of the run that gave its end report, sent when its worker is gone.
    QString endSummary_;
    QString endBody_;
    // The run that the start-up offer takes up with the START it presses.
    std::shared_ptr<const FoundRecord> offered_;
};
