// The window's side of a harvest: start, pause, the resume timer and stop; what the worker asks
// of the window (each on the window's thread while the worker waits); closing during a run.
#include "base/Clock.h"
#include "base/MessageError.h"
#include "desktop/DesktopBuses.h"
#include "desktop/SleepInhibitor.h"
#include "harvest/ProgressView.h"
#include "harvest/RunReports.h"
#include "harvest/Scraper.h"
#include "ui/MainForm.h"
#include "ui/RunFilesDirectory.h"
#include "ui/WindowServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

// Selected entries in list order: their texts, and their codes with none for the placeholder.
void Collect(const QListWidget* list, QStringList& names, QStringList& codes) {
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (!item->isSelected())
            continue;
        names.append(item->text());
        codes.append(row == 0 ? QString() : item->data(Qt::UserRole).toString());
    }
}

bool AnySelected(const QListWidget* list) {
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            return true;
    return false;
}

void Show(QProgressBar* bar, const ProgressView& view) {
    // A range of 0 to 0 would make the bar a busy indicator; an empty bar shows "0 of 0".
    bar->setRange(0, std::max(view.maximum, 1));
    bar->setValue(view.maximum == 0 ? 0 : view.position);
    bar->setToolTip(view.toolTip);
}

} // namespace

Scraper* MainForm::CurrentWorker() const {
    return worker_ && !worker_->isFinished() ? worker_.data() : nullptr;
}

bool MainForm::AnyWorkerAlive() const {
    for (const QPointer<Scraper>& worker : workers_)
        if (worker)
            return true;
    return false;
}

void MainForm::StartButtonClick() {
    if (!AnySelected(ListBox1)) {
        LogPlain(QStringLiteral("Ни один город не отмечен!"));
        return;
    }
    if (RegionComboBox->currentIndex() <= 0) {
        LogPlain(QStringLiteral("Выберите регион!"));
        return;
    }
    QStringList cityNames, cityCodes, streetNames, streetCodes;
    Collect(ListBox1, cityNames, cityCodes);
    Collect(ListBox3, streetNames, streetCodes);
    LogPlain(QStringLiteral("Запускаем выгрузку по региону ") + RegionComboBox->currentText());

    // A new run cannot start before the previous one's end report, which is the last use of the
    // previous folder.
    runDirectory_ = RunFilesDirectory(programDirectory_, documentsDirectory_);
    auto* worker = new Scraper(*this, runDirectory_, *clock_);
    worker_ = worker;
    workers_.removeAll(nullptr);
    workers_.append(worker);
    worker->CitiesNamesList = cityNames;
    worker->CitiesCodesList = cityCodes;
    worker->StreetsNamesList = streetNames;
    worker->StreetsCodesList = streetCodes;
    worker->RegionCode = RegionComboBox->currentData().toString();
    worker->RegionName = RegionComboBox->currentText();
    OfferEarlierRun(*worker);
    connect(worker, &QThread::finished, this, [this] { WorkerGone(); });
    connect(
        worker, &QObject::destroyed, this, [this] { WorkerGone(); }, Qt::QueuedConnection);
    if (prepareWorker_)
        prepareWorker_(*worker);
    // The worker's start report disables the button too; doing it now keeps a second click,
    // already waiting in the queue, from starting a second run.
    StartButton->setEnabled(false);
    worker->start();
}

void MainForm::PauseButtonClick() {
    Scraper* worker = CurrentWorker();
    if (worker == nullptr)
        return;
    if (worker->IsHeld()) {
        worker->Release();
        LogStamped(QStringLiteral("Отключаем паузу, продолжаем работу"));
        KeepAwake(true);
    } else {
        worker->Hold();
        LogStamped(QStringLiteral("Включаем паузу"));
        KeepAwake(false);
    }
}

void MainForm::ResumeTimerTimer() {
    ResumeTimer->stop();
    Scraper* worker = CurrentWorker();
    if (worker == nullptr || !worker->IsHeld())
        return;
    worker->Release();
    LogStamped(QStringLiteral("Отключаем паузу, продолжаем работу"));
    KeepAwake(true);
}

void MainForm::StopButtonClick() {
    Scraper* worker = CurrentWorker();
    if (worker == nullptr)
        return;
    if (worker->IsHeld())
        worker->Release();
    worker->RequestStop();
    LogStamped(QStringLiteral("Останавливаем работу"));
    KeepAwake(false);
    ProgressBar->setValue(0);
    StagesProgressBar->setValue(0);
}

void MainForm::EnableRunControls(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{StartButton, elementsPerPageSpinEdit,
                                                            SavePassportsCheckBox, CoordsCheckBox,
                                                            PassCheckBox, CardCheckBox})
        control->setEnabled(enabled);
}

void MainForm::WorkerGone() {
    AnnounceEnd();
    // Without a current worker the window is idle, and idle means every control is usable,
    // whatever became of the worker's end report; the run's log file has its last line.
    if (CurrentWorker() == nullptr) {
        logFile_.Close();
        if (!closing_)
            EnableRunControls(true);
    }
    workers_.removeAll(nullptr);
    if (closing_ && !AnyWorkerAlive())
        services_->EndProgram(0);
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (!AnyWorkerAlive()) {
        event->accept();
        services_->EndProgram(0);
        return;
    }
    // A run is under way: end it at once (stop, open the gate, cut the request in flight) and
    // keep serving its window calls until it is gone; the program ends then.
    event->ignore();
    closing_ = true;
    hide();
    ResumeTimer->stop();
    for (const QPointer<Scraper>& worker : workers_) {
        if (worker)
            worker->StopNow();
    }
}

MainForm::~MainForm() {
    closing_ = true;
    const QList<QPointer<Scraper>> workers = workers_;
    for (const QPointer<Scraper>& worker : workers) {
        if (!worker)
            continue;
        worker->disconnect(this);
        worker->StopNow();
        // The worker may be waiting for one of its window calls: serve them while it ends.
        while (worker && !worker->wait(QDeadlineTimer(10)))
            QCoreApplication::processEvents();
        delete worker.data();
    }
}

void MainForm::AddLogLine(const QString& message) {
    relay_.Run([&] { LogStamped(message); });
}

void MainForm::ShowRunState(bool cursorHourGlass) {
    relay_.Run([&] {
        if (cursorHourGlass) {
            LogsMemo->clear();
            const QString failure = logFile_.Begin(runDirectory_, clock_->TickCount());
            LogStamped(QStringLiteral("Начинаем работу."));
            if (!failure.isEmpty())
                LogStamped(QStringLiteral("Ошибка: ") + failure);
            EnableRunControls(false);
            NoteRunStart();
            return;
        }
        NoteRunEnd(worker_.data());
        try {
            EndReport(
                clock_->TickCount(), [this](const QString& message) { LogStamped(message); },
                logFile_);
        } catch (const MessageError&) {
            // The run is over all the same: give the controls back instead of leaving the
            // start button dead (the report said why the file is missing).
            EnableRunControls(true);
            throw;
        }
        EnableRunControls(true);
    });
}

void MainForm::ShowHouseProgress(int maximum, int position) {
    relay_.Run([&] {
        Show(ProgressBar, MakeProgressView(maximum, position));
        QCoreApplication::processEvents();
    });
}

void MainForm::ShowStageProgress(int maximum, int position) {
    relay_.Run([&] { Show(StagesProgressBar, MakeProgressView(maximum, position)); });
}

void MainForm::PauseAfterError(Scraper& worker, const QString& result) {
    relay_.Run([&] {
        if (!ReportErrorPause(result, [this](const QString& message) { LogStamped(message); }))
            return;
        ArmResumeTimer();
        worker.Hold();
    });
}

void MainForm::ArmResumeTimer() {
    relay_.Run([&] {
        ResumeTimer->setInterval(15000);
        ResumeTimer->start();
    });
}

void MainForm::OpenWorkbook(const QString& path) {
    relay_.Run([&] {
        if (closing_)
            return;
        services_->OpenDocument(path);
        OfferComparison(path);
    });
}
