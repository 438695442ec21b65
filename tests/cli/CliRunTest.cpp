// Whole runs of the command in this process against the fake portal, with a fake clock: exit
// statuses, the table, the log file, the workbook and what standard output shows.
#include "CliTestSupport.h"
#include "LogMask.h"
#include "SimulatedPortal.h"
#include "harvest/LogFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QJsonObject SmallRegion() {
    static const QJsonObject region = SimulatedPortal::DescribeRegion(QStringLiteral("small"));
    return region;
}

QString Code(const QJsonObject& object) {
    return object.value(QStringLiteral("code")).toString();
}

// The messages of the command's log lines (the text after the time stamp's ": ").
QStringList Messages(const QStringList& lines) {
    QStringList messages;
    for (const QString& line : lines)
        messages.append(line.section(QStringLiteral(": "), 1));
    return messages;
}

struct StatusCase {
    const char* name;
    const char* arguments; // separated by "|"; <out> stands for the test's output folder
    int exitStatus;
    const char* errorPart; // a part of standard error ("" for none at all)
    int rows;              // rows of the one table written, -1 for no table
};

class ExitStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatusTest, OneTableOfArgumentsAndWhatTheyEndIn) {
    const StatusCase& c = GetParam();
    SimulatedPortal portal;
    TemporaryFolder folder;
    // Folders in place of the table and of the log file that a run at tick 1000 would create.
    ASSERT_TRUE(QDir(folder.Path()).mkpath(QStringLiteral("blocked/data1000.tab")));
    ASSERT_TRUE(QDir(folder.Path()).mkpath(QStringLiteral("nolog/log-1000.txt")));
    // A record that takes no line, as on a full disk.
    ASSERT_TRUE(QDir(folder.Path()).mkpath(QStringLiteral("norecord")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"),
                            folder.Path() + QStringLiteral("/norecord/data1000.run")));
    // A file in place of an output folder.
    QFile file(folder.Path() + QStringLiteral("/file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QStringList arguments = QString::fromUtf8(c.arguments).split(QLatin1Char('|'));
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("<out>"), folder.Path());
    FakeClock clock(1000);
    const InProcessRun run = RunInProcess(arguments, clock);

    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err.toStdString();
    if (*c.errorPart == 0)
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    else
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.errorPart))) << run.err.toStdString();
    const qsizetype out = arguments.indexOf(QStringLiteral("--out"));
    const QString tableFolder =
        out >= 0 ? arguments.value(out + 1) : folder.Path() + QStringLiteral("/run");
    const QStringList tables = FilesIn(tableFolder, QStringLiteral("data*.tab"));
    if (c.rows < 0) {
        EXPECT_TRUE(tables.isEmpty());
    } else {
        ASSERT_EQ(tables.size(), 1);
        EXPECT_EQ(CheckTable(tableFolder + QLatin1Char('/') + tables.first()).rows.size(), c.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ExitStatusTest,
    testing::Values(
        StatusCase{"Help", "--help", 0, "", -1},
        StatusCase{"BadArguments", "--region|Тестовая", 1, "укажите --street или --all-streets",
                   -1},
        StatusCase{"FinishedRun",
                   "--region|Тестовая обл|--all-streets|--interval|0|--out|<out>/run", 0, "", 8},
        StatusCase{
            "CityAndStreetByName",
            "--region|Тестовая|--city|Первомайск|--street|Ленина|--interval|0|--out|<out>/run", 0,
            "", 2},
        StatusCase{"UnknownRegion", "--region|Нетакая|--all-streets|--out|<out>/run", 1,
                   "в справочнике портала нет: регион \"Нетакая\"", -1},
        StatusCase{"AmbiguousStreet",
                   "--region|Тестовая|--city|Первомайск|--city|Заречный|--street|Ленина ул|--out|"
                   "<out>/run",
                   1, "подходят несколько записей, укажите код:\n  ", -1},
        StatusCase{"OutputFolderIsAFile", "--region|Тестовая|--all-streets|--out|<out>/file", 1,
                   "не удалось создать папку", -1},
        StatusCase{"TableCannotBeCreated",
                   "--region|Тестовая|--all-streets|--interval|0|--out|<out>/blocked", 1, "", -1},
        // A start that cannot keep its record leaves no empty table behind.
        StatusCase{"RecordCannotBeWritten",
                   "--region|Тестовая обл|--all-streets|--interval|0|--out|<out>/norecord", 1, "",
                   -1},
        // The table and workbook are made, but the run's log is not where it should be.
        StatusCase{"LogFileCannotBeWritten",
                   "--region|Тестовая обл|--all-streets|--interval|0|--out|<out>/nolog", 1, "", 8},
        StatusCase{"ListRegions", "--list|regions", 0, "", -1}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST(CliRunTest, ARunWritesTheTableLogFileAndWorkbookAndPrintsTheLog) {
    SimulatedPortal portal;
    TemporaryFolder folder;
    FakeClock clock(1000);
    const InProcessRun run = RunInProcess(
        {QStringLiteral("--region"), Code(SmallRegion()), QStringLiteral("--all-streets"),
         QStringLiteral("--save-passports"), QStringLiteral("--out"), folder.Path()},
        clock);
    ASSERT_EQ(run.exitStatus, 0) << run.err.toStdString();

    const QStringList tables = FilesIn(folder.Path(), QStringLiteral("data*.tab"));
    ASSERT_EQ(tables, QStringList{QStringLiteral("data1000.tab")});
    const TableCheck table = CheckTable(folder.Path() + QStringLiteral("/data1000.tab"));
    EXPECT_TRUE(table.header);
    EXPECT_EQ(table.rows.size(), 8);
    EXPECT_TRUE(table.broken.isEmpty());
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("data1000.xlsx")).size(), 1);
    EXPECT_EQ(FilesIn(folder.Path() + QStringLiteral("/json"), QStringLiteral("*.json")).size(), 8);

    // The default interval of 2 s, on the fake clock: the first of the 25 requests waited until
    // tick 2000, every other one 2 s after the one before.
    EXPECT_EQ(clock.Slept(), 1000u + 24u * 2000u);
    const QStringList logs = FilesIn(folder.Path(), QStringLiteral("log-*.txt"));
    ASSERT_EQ(logs.size(), 1);
    EXPECT_EQ(logs.first(), LogFileName(clock.TickCount()));

    // Standard output: the log file's lines as they came, the conversion's lines included.
    const QStringList out = run.OutLines();
    const QStringList saved = ReadText(folder.Path() + QLatin1Char('/') + logs.first())
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(out, saved);
    const QStringList messages = Messages(out);
    ASSERT_GE(messages.size(), 4);
    EXPECT_EQ(messages.first(), QStringLiteral("Начинаем работу."));
    EXPECT_EQ(messages[1], QStringLiteral("Данные будут записываться в файл ") + folder.Path() +
                               QStringLiteral("/data1000.xlsx"));
    EXPECT_EQ(messages[2], QStringLiteral("Начинаем выгрузку региона Тестовая обл, города Не "
                                          "задан, улицы Не задана"));
    const QString workbookLines =
        QStringLiteral("<stamp>: Запускаем формирование файла Excel...\r\n"
                       "<stamp>: Файл сформирован, в нем 9 строк\r\n"
                       "<stamp>: Результаты записаны в файл "
                       "<out>/data<tick>.xlsx\r\n");
    // The bytes that the command wrote before its lines were streamed to the file (time stamps,
    // folder and ticks masked, see LogMask.h), then the workbook's lines.
    QFile file(folder.Path() + QLatin1Char('/') + logs.first());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(MaskLog(file.readAll(), folder.Path()),
              ExpectedSmallRegionLog() + workbookLines.toUtf8());
}

TEST(CliRunTest, FailedRequestsPauseOnTheClockAndTheRunGoesOn) {
    SimulatedPortal portal(QStringLiteral(
        R"({"rules": [{"endpoint": "card", "requests": [2], "fault": "status", "status": 500},
                      {"endpoint": "map", "requests": [3], "fault": "delay", "seconds": 5}]})"));
    TemporaryFolder folder;
    FakeClock clock(1000);
    const InProcessRun run = RunInProcess(
        {QStringLiteral("--region"), Code(SmallRegion()), QStringLiteral("--all-streets"),
         QStringLiteral("--interval"), QStringLiteral("0"), QStringLiteral("--out"), folder.Path()},
        clock, /*readTimeoutMs=*/300);
    ASSERT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(CheckTable(folder.Path() + QStringLiteral("/data1000.tab")).rows.size(), 8);
    // Two failed house requests: each 15 s of error pause and 10 s before the next attempt.
    EXPECT_EQ(clock.Slept(), 2u * 25000u);
    const QStringList messages = Messages(run.OutLines());
    EXPECT_TRUE(messages.contains(QStringLiteral("Ошибка: ERROR_Read timed out.")));
    EXPECT_TRUE(
        messages.contains(QStringLiteral("Ошибка: ERROR_HTTP/1.1 500 Internal Server Error")));
    EXPECT_EQ(messages.count(QStringLiteral("Отключаем паузу, продолжаем работу")), 2);
}

TEST(CliRunTest, ListsPrintCodeAndName) {
    SimulatedPortal portal;
    FakeClock clock;
    const QJsonObject region = SmallRegion();
    const InProcessRun regions =
        RunInProcess({QStringLiteral("--list"), QStringLiteral("regions")}, clock);
    EXPECT_EQ(regions.exitStatus, 0);
    EXPECT_TRUE(regions.OutLines().contains(Code(region) + QStringLiteral("\tТестовая обл")));
    EXPECT_EQ(regions.OutLines().size(), 5);

    const InProcessRun cities =
        RunInProcess({QStringLiteral("--list"), QStringLiteral("cities"),
                      QStringLiteral("--region"), QStringLiteral("Тестовая")},
                     clock);
    QStringList expected;
    for (const QJsonValue& city : region.value(QStringLiteral("cities")).toArray())
        expected.append(Code(city.toObject()) + QLatin1Char('\t') +
                        city.toObject().value(QStringLiteral("name")).toString() +
                        QLatin1Char(' ') +
                        city.toObject().value(QStringLiteral("shortName")).toString());
    EXPECT_EQ(cities.OutLines(), expected);

    const InProcessRun streets = RunInProcess(
        {QStringLiteral("--list"), QStringLiteral("streets"), QStringLiteral("--region"),
         Code(region), QStringLiteral("--city"), QStringLiteral("Заречный пгт")},
        clock);
    EXPECT_EQ(streets.exitStatus, 0);
    EXPECT_EQ(streets.OutLines().size(), 2);
    EXPECT_TRUE(streets.OutLines().first().endsWith(QStringLiteral("\tЛенина ул")));

    const InProcessRun areas =
        RunInProcess({QStringLiteral("--list"), QStringLiteral("areas"), QStringLiteral("--region"),
                      QStringLiteral("Тестовая")},
                     clock);
    EXPECT_EQ(areas.OutLines().size(), 1);
    EXPECT_TRUE(areas.OutLines().first().endsWith(QStringLiteral("\tПриозерный р-н")));
}

TEST(CliRunTest, APortalThatCannotBeReachedIsAFailure) {
    const QByteArray saved = qgetenv("PORTAL_ORIGIN");
    // Nothing listens on port 1 of this machine.
    qputenv("PORTAL_ORIGIN", "https://127.0.0.1:1");
    FakeClock clock;
    const InProcessRun run =
        RunInProcess({QStringLiteral("--list"), QStringLiteral("regions")}, clock);
    qputenv("PORTAL_ORIGIN", saved);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("house-export-cli: Ошибка: ")))
        << run.err.toStdString();
}

} // namespace
