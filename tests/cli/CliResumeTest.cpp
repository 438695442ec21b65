// Continuing and repairing runs with the command: runs killed with SIGKILL again and again and
// continued after each end in the table of an uninterrupted run; a repair fills the cards that
// failed; records and tables that are not what they claim are refused.
#include "CliTestSupport.h"
#include "SimulatedPortal.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <sys/file.h>
#include <thread>

namespace {

constexpr int kEndMs = 120000;

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The one file of a pattern in a folder, with its path; empty when there is not exactly one.
QString OnlyFile(const QString& folder, const QString& pattern) {
    const QStringList names = FilesIn(folder, pattern);
    return names.size() == 1 ? folder + QLatin1Char('/') + names.first() : QString();
}

// Three cities of the thousand region, 300 houses in all, as three pairs of pages of 20.
QStringList ThreePairs() {
    const QJsonObject region = SimulatedPortal::DescribeRegion(QStringLiteral("thousand"));
    QStringList arguments{QStringLiteral("--region"),
                          region.value(QStringLiteral("code")).toString()};
    for (const QJsonValue& city : region.value(QStringLiteral("cities")).toArray()) {
        const QString name = city.toObject().value(QStringLiteral("name")).toString();
        if (name == QStringLiteral("Северск") || name == QStringLiteral("Ключи") ||
            name == QStringLiteral("Зелёный Бор"))
            arguments << QStringLiteral("--city")
                      << city.toObject().value(QStringLiteral("code")).toString();
    }
    return arguments + QStringList{QStringLiteral("--all-streets"), QStringLiteral("--page-size"),
                                   QStringLiteral("20"), QStringLiteral("--interval"),
                                   QStringLiteral("0")};
}

// Runs the command as its own process; killAfterMs < 0 lets it end. Gives the exit status, or
// 1000 + SIGKILL for a kill.
int RunProcess(const QStringList& arguments, int killAfterMs) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral(HX_CLI_PATH), arguments);
    if (!process.waitForStarted(kEndMs))
        return -1;
    if (killAfterMs >= 0 && !process.waitForFinished(killAfterMs)) {
        process.kill();
        process.waitForFinished(kEndMs);
        return 1000 + SIGKILL;
    }
    process.waitForFinished(kEndMs);
    return process.exitCode();
}

// How often each house was asked for its map, in the requests after `from`.
std::map<QString, int> MapVisits(const SimulatedPortal& portal, std::size_t from) {
    std::map<QString, int> visits;
    const std::vector<QJsonObject> log = portal.Log();
    for (std::size_t k = from; k < log.size(); ++k)
        if (log[k].value(QStringLiteral("endpoint")).toString() == QStringLiteral("map"))
            ++visits[log[k].value(QStringLiteral("target")).toString().section(u'=', -1)];
    return visits;
}

// By hand with more trials: HX_RESUME_KILL_TRIALS=30 cli_tests --gtest_filter='*Resume*Killed*'.
TEST(CliResumeTest, KilledAgainAndAgainAndContinuedGivesTheUninterruptedTable) {
    EnsureApplication();
    const int trials = qEnvironmentVariableIsSet("HX_RESUME_KILL_TRIALS")
                           ? qEnvironmentVariableIntValue("HX_RESUME_KILL_TRIALS")
                           : 10;
    // Every map answer takes 25 ms, so that a run lasts some seconds and ten kills fall into it.
    SimulatedPortal portal(
        QStringLiteral(R"({"rules": [{"endpoint": "map", "fault": "delay", "seconds": 0.025}]})"));
    const QStringList job = ThreePairs();
    TemporaryFolder whole, interrupted;
    ASSERT_EQ(RunProcess(job + QStringList{QStringLiteral("--out"), whole.Path()}, -1), 0);
    const QByteArray expected = ReadBytes(OnlyFile(whole.Path(), QStringLiteral("data*.tab")));
    ASSERT_EQ(CheckTable(OnlyFile(whole.Path(), QStringLiteral("data*.tab"))).rows.size(), 300);

    const std::size_t logStart = portal.Log().size();
    const unsigned seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(100, 1000);
    std::cout << "resume kill trials: " << trials << ", seed " << seed << '\n';
    const QStringList resume{QStringLiteral("--resume"), QStringLiteral("--out"),
                             interrupted.Path(), QStringLiteral("--interval"), QStringLiteral("0")};
    int kills = 0;
    bool ended = false;
    for (int trial = 0; trial < trials; ++trial) {
        // Until a run has made its record there is nothing to continue: start it anew.
        const bool begun = !FilesIn(interrupted.Path(), QStringLiteral("data*.run")).isEmpty();
        if (!begun)
            for (const QString& name : FilesIn(interrupted.Path(), QStringLiteral("data*")))
                QFile::remove(interrupted.Path() + QLatin1Char('/') + name);
        const int delay = delayMs(random);
        const int status = RunProcess(
            begun ? resume : job + QStringList{QStringLiteral("--out"), interrupted.Path()}, delay);
        const QString table = OnlyFile(interrupted.Path(), QStringLiteral("data*.tab"));
        const TableCheck check = CheckTable(table);
        std::cout << "trial " << trial + 1 << ": " << (begun ? "continued" : "new run")
                  << ", killed after " << delay
                  << " ms: " << (status == 1000 + SIGKILL ? "killed" : "ended") << ", "
                  << check.rows.size() << " whole rows\n";
        kills += status == 1000 + SIGKILL;
        if (status != 1000 + SIGKILL) {
            ASSERT_EQ(status, 0);
            ended = true; // the run was over before its kill
            break;
        }
    }
    EXPECT_GE(kills, 1);
    if (!ended) {
        ASSERT_EQ(RunProcess(resume, -1), 0);
    }

    const QString table = OnlyFile(interrupted.Path(), QStringLiteral("data*.tab"));
    ASSERT_FALSE(table.isEmpty()) << "one table, continued in place";
    EXPECT_TRUE(ReadBytes(table) == expected) << "the table equals the uninterrupted run's";
    // No house asked for twice, but for one in flight at each kill (the same one when a kill
    // comes before the continued run has finished it).
    int repeated = 0;
    const std::map<QString, int> visits = MapVisits(portal, logStart);
    for (const auto& [guid, count] : visits)
        repeated += count - 1;
    EXPECT_EQ(visits.size(), 300u);
    EXPECT_LE(repeated, kills);
    std::cout << "kills " << kills << ", houses asked for again " << repeated << '\n';
    EXPECT_EQ(RunProcess(resume, -1), 1) << "nothing is left to continue";
}

// What a workbook holds, without the creation time of its document properties.
QByteArray WorkbookContent(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                                 "for n in sorted(set(z.namelist()) - {'docProps/core.xml'}):\n"
                                 "    sys.stdout.buffer.write(n.encode() + z.read(n))"),
                  path});
    python.waitForFinished(kEndMs);
    return python.exitCode() == 0 ? python.readAllStandardOutput() : QByteArray();
}

TEST(CliResumeTest, AKillWhileTheWorkbookIsMadeIsContinuedIntoTheWorkbook) {
    EnsureApplication();
    // Search pages only, of a region big enough for a conversion that lasts a while.
    SimulatedPortal portal({}, {QStringLiteral("--demo-count"), QStringLiteral("10000")});
    const QStringList job =
        QStringList{QStringLiteral("--region"),
                    SimulatedPortal::DescribeRegion(QStringLiteral("demo"))
                        .value(QStringLiteral("code"))
                        .toString()} +
        QStringLiteral("--all-streets --no-coords --no-passport --no-card --page-size 500 "
                       "--interval 0")
            .split(QLatin1Char(' '));
    // A run into `folder` sent `signal` as soon as its workbook's temporary file is there: its
    // exit status, 1000 + SIGKILL for a kill, -1 when the file was not seen.
    const auto signalWhileMakingWorkbook = [&](const QString& folder, int signal) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral(HX_CLI_PATH),
                      job + QStringList{QStringLiteral("--out"), folder});
        const QDeadlineTimer deadline(kEndMs);
        while (FilesIn(folder, QStringLiteral("*.tmp")).isEmpty() && !deadline.hasExpired() &&
               process.state() != QProcess::NotRunning)
            process.waitForFinished(1);
        const bool seen = process.state() != QProcess::NotRunning;
        ::kill(pid_t(process.processId()), signal);
        process.waitForFinished(kEndMs);
        if (!seen)
            return -1;
        return process.exitStatus() == QProcess::CrashExit ? 1000 + SIGKILL : process.exitCode();
    };
    TemporaryFolder whole, killed;
    // The first Ctrl-C lets the workbook be finished: the reference, and no interruption.
    ASSERT_EQ(signalWhileMakingWorkbook(whole.Path(), SIGINT), 0)
        << "Ctrl-C after the last pair takes nothing away";
    ASSERT_EQ(signalWhileMakingWorkbook(killed.Path(), SIGKILL), 1000 + SIGKILL);
    ASSERT_EQ(FilesIn(killed.Path(), QStringLiteral("*.tmp")).size(), 1);
    ASSERT_TRUE(FilesIn(killed.Path(), QStringLiteral("data*.xlsx")).isEmpty());

    const QStringList resume{QStringLiteral("--resume"), QStringLiteral("--out"), killed.Path()};
    EXPECT_EQ(RunProcess(resume, -1), 0);
    const QString workbook = OnlyFile(killed.Path(), QStringLiteral("data*.xlsx"));
    ASSERT_FALSE(workbook.isEmpty());
    const QByteArray content = WorkbookContent(workbook);
    EXPECT_GT(content.size(), 20000);
    EXPECT_TRUE(content == WorkbookContent(OnlyFile(whole.Path(), QStringLiteral("data*.xlsx"))));
    EXPECT_EQ(FilesIn(killed.Path(), QStringLiteral("*.tmp")), QStringList());
    EXPECT_EQ(RunProcess(resume, -1), 1) << "the run is complete now";
}

} // namespace
