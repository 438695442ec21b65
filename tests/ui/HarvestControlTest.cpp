// Start, pause, the resume timer and stop as the user drives them, with real workers against the
// fake portal's small region (8 houses); closing the window during a run.
#include "FakeClock.h"
#include "LogMask.h"
#include "PrivateBus.h"
#include "SimulatedPortal.h"
#include "UiTestSupport.h"
#include "base/RussianPlural.h"
#include "desktop/DesktopBuses.h"
#include "harvest/LogFile.h"
#include "harvest/LogLine.h"
#include "harvest/Scraper.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QString Str(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A map lookup that takes a while, so that a run of 8 houses lasts long enough to be paused.
const char* kSlowMaps = R"({"endpoint": "map", "fault": "delay", "seconds": 0.3})";
const QString kStartReport = QStringLiteral("Начинаем работу.");

struct Job {
    QStringList cityNames, cityCodes, streetNames, streetCodes;
    QString regionCode, regionName;
};

class HarvestControlTest : public testing::Test {
protected:
    // The window over a fake portal with these rules, the small region chosen.
    void Open(const QString& rules = {}) {
        portal_ = std::make_unique<SimulatedPortal>(
            rules.isEmpty() ? QString() : QStringLiteral("{\"rules\": [%1]}").arg(rules));
        Show();
        ASSERT_TRUE(WaitUntil([&] { return LogLines(*form_).size() == 2; }));
        ChooseRegion(Control<QComboBox>(*form_, "RegionComboBox"), 1);
        ASSERT_TRUE(WaitUntil([&] { return LogLines(*form_).size() == 8; }));
        ASSERT_TRUE(services_.errors.empty());
    }
    // A new window over the same folder, shown.
    void Show() {
        MainForm::Setup setup{folder_.Path(), &clock_, &services_,
                              [this](Scraper& worker) {
                                  jobs_.push_back({worker.CitiesNamesList, worker.CitiesCodesList,
                                                   worker.StreetsNamesList, worker.StreetsCodesList,
                                                   worker.RegionCode, worker.RegionName});
                                  worker.ConvertsWorkbook = convert_;
                              },
                              documents_, paneLines_};
        setup.desktop = desktop_;
        form_ = std::make_unique<MainForm>(setup);
        form_->show();
    }

    QPushButton* Button(const char* name) { return Control<QPushButton>(*form_, name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    int LinesEndingWith(const QString& end) const {
        int count = 0;
        for (const QString& line : LogLines(*form_))
            count += line.endsWith(end) && line.size() > end.size();
        return count;
    }
    // Starts and waits for the worker's start report.
    void Start() {
        Click("StartButton");
        ASSERT_NE(form_->CurrentWorker(), nullptr);
        ASSERT_TRUE(WaitUntil([&] { return LogLines(*form_).value(0).endsWith(kStartReport); }));
    }
    bool WaitForEnd() {
        return WaitUntil([&] { return form_->CurrentWorker() == nullptr; });
    }
    // The headless command's run of the window's region over all streets into `out`: its exit
    // status, standard output and the bytes of its one table.
    struct Headless {
        int exitCode = -1;
        QString out;
        QByteArray table;
    };
    Headless RunHeadless(const QString& out, const QStringList& more = {}) const {
        QProcess cli;
        cli.start(
            QStringLiteral(HOUSE_EXPORT_CLI_FILE),
            QStringList{QStringLiteral("--region"),
                        Control<QComboBox>(*form_, "RegionComboBox")->currentData().toString(),
                        QStringLiteral("--all-streets"), QStringLiteral("--interval"),
                        QStringLiteral("0"), QStringLiteral("--out"), out} +
                more);
        Headless run;
        if (!cli.waitForFinished(120000))
            return run;
        run.exitCode = cli.exitCode();
        run.out = QString::fromUtf8(cli.readAllStandardOutput());
        QFile table(out + QLatin1Char('/') +
                    QDir(out).entryList({QStringLiteral("data*.tab")}).value(0));
        if (table.open(QIODevice::ReadOnly))
            run.table = table.readAll();
        return run;
    }
    QByteArray TableBytes(const QString& name) const {
        QFile file(folder_.Path() + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList Files(const char* pattern) const {
        return QDir(folder_.Path()).entryList({QString::fromLatin1(pattern)}, QDir::Files);
    }
    // The rows of the one table of the run; each must be whole.
    QStringList Rows() const {
        const QStringList tables = Files("data*.tab");
        EXPECT_EQ(tables.size(), 1);
        QFile file(folder_.Path() + tables.value(0));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        lines.removeFirst();
        for (const QString& line : lines)
            EXPECT_EQ(line.count(QLatin1Char('\t')), 100);
        return lines;
    }
    void ExpectIdle() {
        for (const char* name : {"StartButton", "elementsPerPageSpinEdit", "SavePassportsCheckBox",
                                 "CoordsCheckBox", "PassCheckBox", "CardCheckBox"})
            EXPECT_TRUE(Control<QWidget>(*form_, name)->isEnabled()) << name;
    }

    FakeClock clock_{1000};
    ProgramFolder folder_;
    QString documents_;
    RecordingServices services_;
    bool convert_ = false;
    int paneLines_ = MainForm::kLogPaneLines;
    const DesktopBuses* desktop_ = nullptr;
    std::vector<Job> jobs_;
    std::unique_ptr<SimulatedPortal> portal_;
    std::unique_ptr<MainForm> form_;
};

TEST_F(HarvestControlTest, StartRefusesWithoutACityOrWithoutARegion) {
    Open();
    auto* areas = Control<QListWidget>(*form_, "ListBox2");
    auto* regions = Control<QComboBox>(*form_, "RegionComboBox");
    const struct {
        const char* name;
        std::function<void()> choose;
        const char* line;
    } cases[] = {
        // An area choice leaves no city selected.
        {"area chosen",
         [&] {
             ClickRow(areas, 1);
             ASSERT_TRUE(WaitUntil([&] { return LogLines(*form_).size() == 10; }));
         },
         "Ни один город не отмечен!"},
        // The region placeholder leaves the city placeholder selected, but no region.
        {"region placeholder", [&] { ChooseRegion(regions, 0); }, "Выберите регион!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose();
        Click("StartButton");
        EXPECT_EQ(LogLines(*form_).last(), Str(c.line));
        EXPECT_EQ(form_->CurrentWorker(), nullptr);
        EXPECT_TRUE(jobs_.empty());
        EXPECT_TRUE(Button("StartButton")->isEnabled());
    }
}

TEST_F(HarvestControlTest, TheJobTakesTheSelectedEntriesInListOrderWithEmptyPlaceholderCodes) {
    Open();
    auto* cities = Control<QListWidget>(*form_, "ListBox1");
    const QStringList cityTexts = Texts(cities);
    QStringList cityCodes;
    for (int row = 1; row < 4; ++row)
        cityCodes.append(cities->item(row)->data(Qt::UserRole).toString());

    // Right after the region choice: both placeholders, both codes empty.
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(jobs_.size(), 1u);
    EXPECT_EQ(jobs_[0].cityNames, QStringList{Str("Не задан")});
    EXPECT_EQ(jobs_[0].cityCodes, QStringList{QString()});
    EXPECT_EQ(jobs_[0].streetNames, QStringList{Str("Не задана")});
    EXPECT_EQ(jobs_[0].streetCodes, QStringList{QString()});
    EXPECT_EQ(jobs_[0].regionName, Str("Тестовая обл"));
    EXPECT_EQ(jobs_[0].regionCode,
              Control<QComboBox>(*form_, "RegionComboBox")->itemData(1).toString());
    EXPECT_EQ(Rows().size(), 8);
    EXPECT_EQ(LinesEndingWith(Str(": Работа завершена")), 1);
    EXPECT_EQ(Files("log-*.txt"), QStringList{LogFileName(clock_.TickCount())});
    ExpectIdle();

    // Three cities clicked out of order: the job follows the list.
    ClickRow(cities, 3);
    ClickRow(cities, 1, Qt::ControlModifier);
    ClickRow(cities, 2, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return LinesEndingWith(Str(" загружены")) >= 3; }));
    ASSERT_TRUE(WaitUntil(
        [&] { return SelectedRows(Control<QListWidget>(*form_, "ListBox3")) == QList<int>{0}; }));
    QFile::remove(folder_.Path() + Files("data*.tab").value(0));
    clock_.Advance(1000);
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(jobs_.size(), 2u);
    EXPECT_EQ(jobs_[1].cityNames, cityTexts.mid(1, 3));
    EXPECT_EQ(jobs_[1].cityCodes, cityCodes);
    EXPECT_EQ(jobs_[1].streetNames, QStringList{Str("Не задана")});
    EXPECT_EQ(jobs_[1].streetCodes, QStringList{QString()});
    EXPECT_EQ(Rows().size(), 8);
    EXPECT_EQ(Control<QProgressBar>(*form_, "StagesProgressBar")->toolTip(),
              Str("0 из 3, осталось 3"));
}

TEST_F(HarvestControlTest, TwoPressesOfPausePauseAndResumeWithTimeStampedLines) {
    Open(QString::fromUtf8(kSlowMaps));
    Start();
    Scraper* worker = form_->CurrentWorker();
    const QDateTime before = QDateTime::currentDateTime();
    Click("PauseButton");
    EXPECT_TRUE(worker->IsHeld());
    Click("PauseButton");
    EXPECT_FALSE(worker->IsHeld());
    const QDateTime after = QDateTime::currentDateTime();

    // Each line is the local time of its press, ": " and the message; the pause comes first.
    const QStringList lines = LogLines(*form_);
    qsizetype previous = -1;
    for (const QString& message :
         {Str("Включаем паузу"), Str("Отключаем паузу, продолжаем работу")}) {
        const qsizetype at = std::max(lines.indexOf(FormatLogLine(message, before)),
                                      lines.indexOf(FormatLogLine(message, after)));
        EXPECT_GT(at, previous) << message.toStdString() << " in\n"
                                << lines.join(QLatin1Char('\n')).toStdString();
        previous = at;
    }
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Rows().size(), 8);
}

TEST_F(HarvestControlTest, TheResumeTimerResumesOnlyAWorkerThatIsStillPaused) {
    const struct {
        const char* name;
        bool pauseAgain; // the user resumes, then pauses once more before the timer elapses
        int resumeLines;
    } cases[] = {{"resumed by the user", false, 1}, {"paused again by the user", true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(QStringLiteral(R"({"endpoint": "map", "requests": [1], "fault": "status",
                                "status": 500}, %1)")
                 .arg(QString::fromUtf8(kSlowMaps)));
        Start();
        Scraper* worker = form_->CurrentWorker();
        auto* timer = Control<QTimer>(*form_, "ResumeTimer");
        ASSERT_TRUE(WaitUntil([&] { return worker->IsHeld(); }));
        EXPECT_EQ(LinesEndingWith(Str(": Ошибка: ERROR_HTTP/1.1 500 Internal Server Error")), 1);
        EXPECT_EQ(LinesEndingWith(Str(": Включаем паузу на 15 секунд")), 1);
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), 15000);

        Click("PauseButton");
        EXPECT_FALSE(worker->IsHeld());
        if (c.pauseAgain) {
            Click("PauseButton");
            EXPECT_TRUE(worker->IsHeld());
        }
        timer->setInterval(1); // the 15 seconds are over
        ASSERT_TRUE(WaitUntil([&] { return !timer->isActive(); }));
        EXPECT_EQ(LinesEndingWith(Str(": Отключаем паузу, продолжаем работу")), c.resumeLines);
        EXPECT_FALSE(form_->CurrentWorker() != nullptr && worker->IsHeld());
        ASSERT_TRUE(WaitForEnd());
        EXPECT_EQ(Rows().size(), 8);
        form_.reset();
        portal_.reset();
        QFile::remove(folder_.Path() + Files("data*.tab").value(0));
    }
}

TEST_F(HarvestControlTest, StopOnAPausedWorkerWritesOnlyTheStopLineAndZeroesTheBars) {
    Open(QString::fromUtf8(kSlowMaps));
    Start();
    ASSERT_TRUE(WaitUntil([&] { return portal_->Count(QStringLiteral("map")) >= 1; }));
    Click("PauseButton");
    Click("StopButton");
    Click("StopButton"); // pressed again while the worker ends: the request and line again
    EXPECT_EQ(LinesEndingWith(Str(": Включаем паузу")), 1);
    EXPECT_EQ(LinesEndingWith(Str(": Останавливаем работу")), 2);
    EXPECT_EQ(LinesEndingWith(Str(": Отключаем паузу, продолжаем работу")), 0);
    EXPECT_EQ(Control<QProgressBar>(*form_, "ProgressBar")->value(), 0);
    EXPECT_EQ(Control<QProgressBar>(*form_, "StagesProgressBar")->value(), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(LinesEndingWith(Str(": Работа завершена")), 1);
    EXPECT_LT(Rows().size(), 8);
    ExpectIdle();
    // Without a worker, pause and stop do nothing.
    const int lines = int(LogLines(*form_).size());
    Click("PauseButton");
    Click("StopButton");
    EXPECT_EQ(LogLines(*form_).size(), lines);
}

TEST_F(HarvestControlTest, AStartDuringTheConversionMakesANewWorkerThatPauseAndStopActOn) {
    convert_ = true;
    Open();
    Scraper* first = nullptr;
    Scraper* second = nullptr;
    services_.onOpen = [&](const QString&) {
        if (second != nullptr)
            return;
        // The first run is past its end report and opening its workbook.
        EXPECT_TRUE(Button("StartButton")->isEnabled());
        clock_.Advance(1000);
        Click("StartButton");
        second = form_->CurrentWorker();
        Click("PauseButton");
        EXPECT_TRUE(second->IsHeld());
        EXPECT_FALSE(first->IsHeld());
    };
    Start();
    first = form_->CurrentWorker();
    ASSERT_TRUE(WaitUntil([&] { return second != nullptr; }));
    EXPECT_NE(second, first);
    ASSERT_TRUE(WaitUntil([&] { return !services_.opened.isEmpty(); }));
    EXPECT_EQ(form_->CurrentWorker(), second);
    EXPECT_TRUE(second->IsHeld());
    Click("StopButton");
    EXPECT_FALSE(second->IsHeld());
    EXPECT_TRUE(second->StopRequested());
    ASSERT_TRUE(WaitForEnd());
    // Both runs made their workbook: the first with its 8 houses, the stopped one empty.
    ASSERT_EQ(services_.opened.size(), 2);
    EXPECT_NE(services_.opened[0], services_.opened[1]);
    for (const QString& path : services_.opened)
        EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(jobs_.size(), 2u);
}

TEST_F(HarvestControlTest, AFinishedRunOffersToCompareWithTheRegionsEarlierFinishedRun) {
    convert_ = true;
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Start();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(services_.questions.empty()) << "nothing earlier to compare with";
    const QString earlier = Files("data*.tab").value(0);
    clock_.Advance(1000);
    services_.answers = {true};
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(services_.questions.size(), 1u);
    EXPECT_EQ(services_.questions[0].text,
              QStringLiteral("Сравнить с выгрузкой %1 от %2?")
                  .arg(earlier,
                       QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
    ASSERT_EQ(services_.opened.size(), 3);
    EXPECT_EQ(services_.opened[2],
              folder_.Path() + QStringLiteral("сравнение-data1000-data2000.xlsx"));
    EXPECT_TRUE(QFile::exists(services_.opened[2]));
}

TEST_F(HarvestControlTest, ClosingDuringARunEndsItAtOnceWithTheTableWholeAndNoWorkbook) {
    convert_ = true;
    Open(QStringLiteral(R"({"endpoint": "card", "requests": [3], "fault": "delay",
                           "seconds": 20})"));
    Start();
    ASSERT_TRUE(WaitUntil([&] { return portal_->Count(QStringLiteral("card")) >= 3; }));
    QElapsedTimer elapsed;
    elapsed.start();
    form_->close();
    EXPECT_FALSE(form_->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !services_.endStatuses.isEmpty(); }));
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_EQ(services_.endStatuses, QList<int>{0});
    EXPECT_EQ(form_->CurrentWorker(), nullptr);
    EXPECT_GE(Rows().size(), 2); // the houses before the cut request, each row whole
    EXPECT_TRUE(Files("*.xlsx").isEmpty());
    EXPECT_TRUE(services_.opened.isEmpty());
    EXPECT_EQ(Files("log-*.txt").size(), 1);
}

TEST_F(HarvestControlTest, ALogFileThatCannotBeWrittenIsReportedAndTheControlsComeBack) {
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0); // no wait moves the clock
    ASSERT_TRUE(QDir(folder_.Path()).mkdir(LogFileName(clock_.TickCount())));
    // A double click: the second press finds the button already disabled.
    Click("StartButton");
    Click("StartButton");
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(jobs_.size(), 1u);
    EXPECT_EQ(LinesEndingWith(Str(": Работа завершена")), 1);
    const QStringList lines = LogLines(*form_);
    EXPECT_TRUE(lines.last().contains(Str(": Ошибка: "))) << lines.last().toStdString();
    ExpectIdle();
    EXPECT_EQ(Rows().size(), 8);
}

// A program folder that cannot be written, as a system-wide install is: every file of the run,
// and the skip file it reads, are in the documents folder's "house-export".
TEST_F(HarvestControlTest, ARunFromAnUnwritableProgramFolderWritesIntoTheDocumentsFolder) {
    TemporaryFolder home;
    documents_ = home.Path() + QStringLiteral("/Documents");
    const QString files = documents_ + QStringLiteral("/house-export/");
    ASSERT_TRUE(QDir().mkpath(files));
    QFile skip(files + QStringLiteral("skip.txt"));
    ASSERT_TRUE(skip.open(QIODevice::WriteOnly));
    skip.write("a\r\nb\r\n");
    skip.close();
    convert_ = true;
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Control<QCheckBox>(*form_, "SavePassportsCheckBox")->setChecked(true);
    {
        const UnwritableFolder locked(folder_.Path());
        Start();
        ASSERT_TRUE(WaitForEnd());
    }
    const QStringList tables = QDir(files).entryList({QStringLiteral("data*.tab")});
    ASSERT_EQ(tables.size(), 1) << files.toStdString();
    const QString workbook =
        QString(tables[0]).replace(QStringLiteral(".tab"), QStringLiteral(".xlsx"));
    EXPECT_EQ(LinesEndingWith(Str(": Данные будут записываться в файл ") + files + workbook), 1);
    EXPECT_EQ(LinesEndingWith(Str(": В файле skip.txt найдено 2 ссылок на карточки организаций, "
                                  "которые не будут загружаться.")),
              1);
    EXPECT_EQ(LinesEndingWith(QStringLiteral("Файл сформирован, в нем 9 строк")), 1);
    EXPECT_EQ(services_.opened, QStringList{files + workbook});
    EXPECT_EQ(QDir(files).entryList({QStringLiteral("log-*.txt")}).size(), 1);
    EXPECT_EQ(QDir(files + QStringLiteral("json")).entryList(QDir::Files).size(), 8);
    EXPECT_EQ(QDir(folder_.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("libssl.so.3")});
    EXPECT_TRUE(services_.errors.empty());
}

TEST_F(HarvestControlTest, ADocumentsFolderThatIsNotThereYetIsMadeAndWrittenInto) {
    TemporaryFolder home;
    documents_ = home.Path() + QStringLiteral("/Documents");
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    {
        const UnwritableFolder locked(folder_.Path());
        Start();
        ASSERT_TRUE(WaitForEnd());
    }
    const QDir files(documents_ + QStringLiteral("/house-export"));
    EXPECT_EQ(files.entryList({QStringLiteral("data*.tab")}).size(), 1);
    EXPECT_EQ(files.entryList({QStringLiteral("log-*.txt")}).size(), 1);
    EXPECT_TRUE(services_.errors.empty());
}

// The log file holds every line of the run, with the bytes that the window wrote before it
// streamed them; the pane, bounded to 10 lines here, keeps only the latest ones.
TEST_F(HarvestControlTest, TheLogFileHoldsTheWholeRunWhileThePaneKeepsItsLatestLines) {
    paneLines_ = 10;
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(Files("log-*.txt"), QStringList{LogFileName(clock_.TickCount())});
    QFile file(folder_.Path() + LogFileName(clock_.TickCount()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(MaskLog(bytes, folder_.Path().chopped(1)), ExpectedSmallRegionLog());
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    ASSERT_GT(lines.size(), 11);
    EXPECT_EQ(LogLines(*form_), lines.mid(lines.size() - 11, 10));
}

// The headless command, given the same choice as the window, writes the same table, byte for
// byte, and a workbook of as many rows.
TEST_F(HarvestControlTest, TheHeadlessCommandWritesTheWindowsTableForTheSameChoice) {
    convert_ = true;
    Open();
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(Rows().size(), 8);
    const QString rowCountLine = QStringLiteral("Файл сформирован, в нем 9 строк");
    EXPECT_EQ(LinesEndingWith(rowCountLine), 1);

    QTemporaryDir out;
    const Headless cli = RunHeadless(out.path());
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_TRUE(cli.out.contains(rowCountLine));
    EXPECT_EQ(cli.table, TableBytes(Files("data*.tab").value(0)));
    EXPECT_EQ(QDir(out.path()).entryList({QStringLiteral("data*.xlsx")}).size(), 1);
}

TEST_F(HarvestControlTest, AStoppedRunIsContinuedOnStartAndEndsInTheUninterruptedTable) {
    Open(QString::fromLatin1(kSlowMaps));
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Start();
    const auto cardLines = [&] {
        return LogLines(*form_).filter(QStringLiteral("Загружаем карточку для дома")).size();
    };
    ASSERT_TRUE(WaitUntil([&] { return cardLines() >= 3; }));
    Click("StopButton");
    ASSERT_TRUE(WaitForEnd());
    const qsizetype stoppedRows = Rows().size();
    ASSERT_LT(stoppedRows, 8);
    const QString table = Files("data*.tab").value(0);

    services_.answers = {true};
    Start();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(services_.questions.size(), 1u);
    EXPECT_EQ(services_.questions[0].text,
              QStringLiteral("Найдена незавершённая выгрузка %1 (%2). Продолжить её?")
                  .arg(table, CountOf(stoppedRows, Str("дом"), Str("дома"), Str("домов"))));
    EXPECT_EQ(Files("data*.tab"), QStringList{table}) << "the same table, continued";
    EXPECT_EQ(Rows().size(), 8);
    EXPECT_EQ(cardLines(), 8 - stoppedRows) << "the houses in the table were not asked for";
    EXPECT_EQ(
        LogLines(*form_).filter(QStringLiteral(": Продолжаем выгрузку в файл ") + table).size(), 1);

    QTemporaryDir out;
    const QByteArray whole = RunHeadless(out.path()).table;
    EXPECT_FALSE(whole.isEmpty());
    EXPECT_TRUE(whole == TableBytes(table));

    // Finished now: the next START asks nothing and begins a new run.
    Start();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(services_.questions.size(), 1u);
}

TEST_F(HarvestControlTest, AnotherJobsStoppedRunIsNotOffered) {
    Open(QString::fromLatin1(kSlowMaps));
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    Start();
    Click("StopButton");
    ASSERT_TRUE(WaitForEnd());
    Control<QCheckBox>(*form_, "CardCheckBox")->setChecked(false);
    clock_.Advance(1000); // a table of its own name
    Start();
    Click("StopButton");
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(services_.questions.empty());
    EXPECT_EQ(Files("data*.tab").size(), 2);
}

// The sleep inhibitor follows the run: taken at START, let go at pause, taken again at resume,
// let go at the end and on stop. A run of more than a minute ends with a notice of its figures.
TEST_F(HarvestControlTest, TheMachineStaysAwakeWhileTheRunWorksAndHearsOfItsEnd) {
    const PrivateBus bus;
    const DesktopBuses buses = DesktopBuses::At(bus.Address(), bus.Address());
    desktop_ = &buses;
    Open(QString::fromUtf8(kSlowMaps));
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(5); // minutes on the fake clock
    const auto locksBecome = [&](int locks) {
        return WaitUntil([&] { return bus.Locks() == locks; });
    };
    Start();
    EXPECT_TRUE(locksBecome(1));
    Click("PauseButton");
    EXPECT_TRUE(locksBecome(0));
    Click("PauseButton");
    EXPECT_TRUE(locksBecome(1));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(locksBecome(0));
    const QString workbook =
        Files("data*.tab").value(0).replace(QStringLiteral(".tab"), QStringLiteral(".xlsx"));
    EXPECT_TRUE(WaitUntil([&] {
        return bus.Notices() == QStringList{Str("Выгрузка завершена|В таблицу записано 8 домов, "
                                                "с неполными данными 0. Книга: ") +
                                            workbook};
    })) << bus.Notices().join(QLatin1Char('\n')).toStdString();
    clock_.Advance(1000);
    Start();
    EXPECT_TRUE(locksBecome(1));
    Click("StopButton");
    EXPECT_TRUE(locksBecome(0));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(bus.Requests().size(), 3);
}

// A window started over an unfinished run of three cities offers it at once; Yes shows the three
// cities in the list and continues the run into the table of an uninterrupted run.
TEST_F(HarvestControlTest, AnUnfinishedRunIsOfferedAtStartUpAndContinuedWithItsSelection) {
    Open(QString::fromLatin1(kSlowMaps));
    Control<QSpinBox>(*form_, "IntervalSpinEdit")->setValue(0);
    auto* cities = Control<QListWidget>(*form_, "ListBox1");
    ClickRow(cities, 1);
    ClickRow(cities, 2, Qt::ControlModifier);
    ClickRow(cities, 3, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return LinesEndingWith(Str(" загружены")) >= 3; }));
    const QStringList chosen = Texts(cities).mid(1, 3);
    QStringList codes;
    for (int row = 1; row < 4; ++row)
        codes << QStringLiteral("--city") << cities->item(row)->data(Qt::UserRole).toString();
    Start();
    ASSERT_TRUE(WaitUntil([&] {
        return LogLines(*form_).filter(QStringLiteral("Загружаем карточку для дома")).size() >= 3;
    }));
    form_.reset(); // the program ends in the middle of the run
    const qsizetype stoppedRows = Rows().size();
    ASSERT_LT(stoppedRows, 8);
    const QString table = Files("data*.tab").value(0);

    services_.answers = {true};
    Show();
    ASSERT_TRUE(WaitUntil([&] { return form_->CurrentWorker() != nullptr; }));
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(services_.questions.size(), 1u);
    const QString question = services_.questions[0].text;
    EXPECT_TRUE(question.startsWith(
        Str("Найдена незавершённая выгрузка по региону Тестовая обл (%1): готово пар ").arg(table)))
        << question.toStdString();
    EXPECT_TRUE(
        question.endsWith(Str(" из 3, в таблице %1. Продолжить её?")
                              .arg(CountOf(stoppedRows, Str("дом"), Str("дома"), Str("домов")))))
        << question.toStdString();
    EXPECT_EQ(SelectedRows(Control<QListWidget>(*form_, "ListBox1")), QList<int>({1, 2, 3}));
    EXPECT_EQ(Texts(Control<QListWidget>(*form_, "ListBox1")).mid(1, 3), chosen);
    EXPECT_EQ(Files("data*.tab"), QStringList{table}) << "the same table, continued";
    EXPECT_TRUE(services_.errors.empty());

    QTemporaryDir out;
    const QByteArray whole = RunHeadless(out.path(), codes).table;
    ASSERT_EQ(whole.count("\r\n"), 9);
    EXPECT_TRUE(whole == TableBytes(table));
}

} // namespace
