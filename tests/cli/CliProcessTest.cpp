// The command as its own process against the fake portal: Ctrl-C ends the run cleanly, and a
// run killed at any moment leaves tables of whole rows and lets the next run start cleanly.
#include "CliTestSupport.h"
#include "SimulatedPortal.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QProcess>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <thread>

namespace {

constexpr int kStartMs = 30000;
constexpr int kEndMs = 120000;

QString RegionCode(const char* kind) {
    return SimulatedPortal::DescribeRegion(QString::fromLatin1(kind))
        .value(QStringLiteral("code"))
        .toString();
}

// house-export-cli started in a folder of its own, its output collected.
class CliProcess {
public:
    // keepOutput false: standard output goes to /dev/null, so that a test that does not read it
    // never holds the command up on a full pipe.
    CliProcess(const QString& folder, const QStringList& arguments, bool keepOutput = true) {
        process_.setWorkingDirectory(folder);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        if (!keepOutput)
            process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(QStringLiteral(HX_CLI_PATH), arguments);
        started_ = process_.waitForStarted(kStartMs);
    }
    ~CliProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kEndMs);
        }
    }

    bool Started() const { return started_; }

    // Waits (boundedly) until standard output holds `text` `times` times.
    bool WaitForOutput(const QString& text, int ms, qsizetype times = 1) {
        const QDeadlineTimer deadline(ms);
        while (Out().count(text) < times) {
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return Out().count(text) >= times;
            process_.waitForReadyRead(100);
            out_ += process_.readAllStandardOutput();
        }
        return true;
    }

    void Signal(int number) { ::kill(pid_t(process_.processId()), number); }

    // The exit status, -1 when it did not end in time, 1000 + the signal when a signal ended it.
    int Wait(int ms) {
        if (!process_.waitForFinished(ms))
            return -1;
        out_ += process_.readAllStandardOutput();
        if (process_.exitStatus() == QProcess::CrashExit)
            return 1000 + SIGKILL;
        return process_.exitCode();
    }

    QString Out() const { return QString::fromUtf8(out_); }
    QString Err() { return QString::fromUtf8(process_.readAllStandardError()); }

private:
    QProcess process_;
    QByteArray out_;
    bool started_ = false;
};

TEST(CliProcessTest, CtrlCStopsTheRunWithTheEndStepsAndExitStatus130) {
    EnsureApplication();
    SimulatedPortal portal({}, {QStringLiteral("--demo-count"), QStringLiteral("2000")});
    TemporaryFolder folder;
    CliProcess cli(folder.Path(),
                   {QStringLiteral("--region"), RegionCode("demo"), QStringLiteral("--all-streets"),
                    QStringLiteral("--interval"), QStringLiteral("0")});
    ASSERT_TRUE(cli.Started());
    ASSERT_TRUE(cli.WaitForOutput(QStringLiteral("Загружаем карточку для дома"), kEndMs))
        << cli.Out().toStdString() << cli.Err().toStdString();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(kEndMs), 130) << cli.Err().toStdString();

    const QStringList tables = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
    ASSERT_EQ(tables.size(), 1);
    const TableCheck table = CheckTable(folder.Path() + QLatin1Char('/') + tables.first());
    EXPECT_TRUE(table.header);
    EXPECT_TRUE(table.broken.isEmpty()) << table.broken.join(QLatin1Char('\n')).toStdString();
    EXPECT_LT(table.rows.size(), 2000);

    // The end steps ran: the log file with the stop line, then the workbook.
    const QStringList logs = FilesIn(folder.Path(), QStringLiteral("log-*.txt"));
    ASSERT_EQ(logs.size(), 1);
    const QString log = ReadText(folder.Path() + QLatin1Char('/') + logs.first());
    EXPECT_TRUE(log.contains(QStringLiteral(": Останавливаем работу\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral(": Лог записан в файл ") + logs.first() +
                             QStringLiteral("\r\n")));
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("data*.xlsx")).size(), 1);
    EXPECT_TRUE(log.contains(
        QStringLiteral(": Файл сформирован, в нем %1 строк\r\n").arg(table.rows.size() + 1)));
    // Standard output is no terminal here: no progress line.
    EXPECT_FALSE(cli.Out().contains(QLatin1Char('\r')));
}

TEST(CliProcessTest, ASecondCtrlCCutsTheRequestUnderWay) {
    EnsureApplication();
    // The third card takes a minute to come; the worker profile waits ten for an answer.
    SimulatedPortal portal(
        QStringLiteral(R"({"rules": [{"endpoint": "card", "requests": [3], "fault": "delay",
                                      "seconds": 60}]})"));
    TemporaryFolder folder;
    CliProcess cli(folder.Path(), {QStringLiteral("--region"), RegionCode("small"),
                                   QStringLiteral("--all-streets"), QStringLiteral("--interval"),
                                   QStringLiteral("0")});
    ASSERT_TRUE(cli.Started());
    // The third card request is under way.
    ASSERT_TRUE(cli.WaitForOutput(QStringLiteral("Загружаем карточку для дома"), kEndMs, 3));
    cli.Signal(SIGINT);
    ASSERT_TRUE(cli.WaitForOutput(QStringLiteral(": Останавливаем работу"), kEndMs));
    const auto interrupted = std::chrono::steady_clock::now();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(kEndMs), 130) << cli.Err().toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(30))
        << "the card's minute was not waited for";
    EXPECT_FALSE(cli.Out().contains(QStringLiteral("Request aborted"))) << "no error pause";
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("data*.xlsx")).size(), 0);
    const QStringList tables = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
    ASSERT_EQ(tables.size(), 1);
    const TableCheck table = CheckTable(folder.Path() + QLatin1Char('/') + tables.first());
    EXPECT_TRUE(table.broken.isEmpty());
    EXPECT_EQ(table.rows.size(), 2) << "the third house's row was not written";
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("log-*.txt")).size(), 1);
}

// Whether a killed run's partial log holds only whole time-stamped lines, each ending in CR LF,
// among which every house of its table was logged.
bool WholeLogOfTheTable(const QString& path, const TableCheck& table) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    bool whole = bytes.endsWith("\r\n");
    for (const QByteArray& line : bytes.split('\n').mid(0, bytes.count('\n')))
        whole = whole && line.endsWith('\r') && line.count('\r') == 1 &&
                QString::fromUtf8(line).section(QStringLiteral(": "), 0, 0).contains(u':');
    for (const QString& row : table.rows)
        whole = whole && bytes.contains(RowGuid(row).toLatin1());
    return whole;
}

// SIGKILL at a random moment of a run, again and again in one folder; by hand with more trials:
// HX_CLI_KILL_TRIALS=10 cli_tests --gtest_filter='*Killed*'.
TEST(CliProcessTest, KilledRunsLeaveWholeRowsAndTheNextRunStartsCleanly) {
    EnsureApplication();
    const int trials = qEnvironmentVariableIsSet("HX_CLI_KILL_TRIALS")
                           ? qEnvironmentVariableIntValue("HX_CLI_KILL_TRIALS")
                           : 3;
    SimulatedPortal portal({}, {QStringLiteral("--demo-count"), QStringLiteral("3000")});
    TemporaryFolder folder;
    const unsigned seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(200, 3000);
    std::cout << "kill trials: " << trials << ", seed " << seed << '\n';

    QStringList tablesBefore;
    QStringList logsBefore;
    for (int trial = 0; trial < trials; ++trial) {
        CliProcess cli(folder.Path(),
                       {QStringLiteral("--region"), RegionCode("demo"),
                        QStringLiteral("--all-streets"), QStringLiteral("--interval"),
                        QStringLiteral("0")},
                       /*keepOutput=*/false);
        ASSERT_TRUE(cli.Started());
        const int delay = delayMs(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        cli.Signal(SIGKILL);
        ASSERT_NE(cli.Wait(kEndMs), -1);

        const QStringList tables = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
        // A run killed before its set-up made no table; otherwise one more table than before.
        EXPECT_LE(tables.size(), tablesBefore.size() + 1);
        qsizetype newRows = 0;
        TableCheck newTable;
        for (const QString& name : tables) {
            const TableCheck table = CheckTable(folder.Path() + QLatin1Char('/') + name);
            EXPECT_TRUE(table.header) << name.toStdString();
            EXPECT_TRUE(table.broken.isEmpty())
                << name.toStdString() << ": " << table.broken.join(QLatin1Char('\n')).toStdString();
            if (!tablesBefore.contains(name)) {
                newRows = table.rows.size();
                newTable = table;
            }
        }
        // A run killed after its start report leaves its log under the partial name.
        const QStringList logs = FilesIn(folder.Path(), QStringLiteral("log-*.partial.txt"));
        EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("log-*.txt")), logs);
        EXPECT_LE(logs.size(), logsBefore.size() + 1);
        if (tables.size() > tablesBefore.size()) {
            EXPECT_EQ(logs.size(), logsBefore.size() + 1) << "a table without its log";
        }
        for (const QString& name : logs) {
            if (logsBefore.contains(name))
                continue;
            EXPECT_TRUE(WholeLogOfTheTable(folder.Path() + QLatin1Char('/') + name, newTable))
                << name.toStdString();
        }
        std::cout << "trial " << trial + 1 << ": killed after " << delay << " ms, "
                  << (tables.size() > tablesBefore.size() ? "a table of " : "no table, ") << newRows
                  << " whole rows\n";
        tablesBefore = tables;
        logsBefore = logs;
    }

    // The next run: a new table and a new log file beside what the killed runs left.
    const QStringList tablesLeft = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
    CliProcess cli(folder.Path(), {QStringLiteral("--region"), RegionCode("small"),
                                   QStringLiteral("--all-streets"), QStringLiteral("--interval"),
                                   QStringLiteral("0")});
    ASSERT_TRUE(cli.Started());
    EXPECT_EQ(cli.Wait(kEndMs), 0) << cli.Err().toStdString();
    const QStringList tables = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
    ASSERT_EQ(tables.size(), tablesLeft.size() + 1);
    QString newest;
    for (const QString& name : tables)
        if (!tablesLeft.contains(name))
            newest = name;
    const TableCheck table = CheckTable(folder.Path() + QLatin1Char('/') + newest);
    EXPECT_TRUE(table.header);
    EXPECT_EQ(table.rows.size(), 8);
    EXPECT_TRUE(table.broken.isEmpty());
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("log-*.txt")).size(), logsBefore.size() + 1)
        << "the finished run's log beside the killed runs' partial ones";
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("log-*.partial.txt")), logsBefore);
}

} // namespace
