// Repair of a finished run's incomplete houses, and the records and tables that a continuation
// refuses or takes up (where it starts, what it asks), with the command in this process and a
// fake clock.
#include "CliTestSupport.h"
#include "SimulatedPortal.h"
#include "harvest/RunRecord.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <array>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

int CountKind(const std::vector<QJsonObject>& log, std::size_t from, const char* kind) {
    int count = 0;
    for (std::size_t k = from; k < log.size(); ++k)
        count += log[k].value(QStringLiteral("endpoint")).toString() == QLatin1String(kind);
    return count;
}

QJsonObject Small() {
    static const QJsonObject region = SimulatedPortal::DescribeRegion(QStringLiteral("small"));
    return region;
}

QStringList SmallRun(const QString& out) {
    return {QStringLiteral("--region"),
            Small().value(QStringLiteral("code")).toString(),
            QStringLiteral("--all-streets"),
            QStringLiteral("--interval"),
            QStringLiteral("0"),
            QStringLiteral("--out"),
            out};
}

TEST(CliRepairTest, RepairAsksOnlyForTheFailedPartsAndGivesTheFaultFreeTable) {
    const QJsonArray houses = Small().value(QStringLiteral("sample_houses")).toArray();
    const QString failing[] = {houses[2].toObject().value(QStringLiteral("guid")).toString(),
                               houses[5].toObject().value(QStringLiteral("guid")).toString()};
    // The two cards fail for the whole run: 6 cards, then 20 attempts at each of the two.
    QJsonArray numbers;
    for (int n = 1; n <= 6 + 2 * 20; ++n)
        numbers.append(n);
    QJsonArray rules;
    for (const QString& guid : failing)
        rules.append(QJsonObject{{QStringLiteral("endpoint"), QStringLiteral("card")},
                                 {QStringLiteral("guid"), guid},
                                 {QStringLiteral("requests"), numbers},
                                 {QStringLiteral("fault"), QStringLiteral("status")},
                                 {QStringLiteral("status"), 500}});
    // And one passport: 7 passports, then 20 attempts at the third house's.
    const QString noPassport = houses[3].toObject().value(QStringLiteral("guid")).toString();
    QJsonArray passportNumbers;
    for (int n = 1; n <= 7 + 20; ++n)
        passportNumbers.append(n);
    rules.append(QJsonObject{{QStringLiteral("endpoint"), QStringLiteral("passport")},
                             {QStringLiteral("guid"), noPassport},
                             {QStringLiteral("requests"), passportNumbers},
                             {QStringLiteral("fault"), QStringLiteral("status")},
                             {QStringLiteral("status"), 503}});
    SimulatedPortal portal(
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("rules"), rules}}).toJson()));
    TemporaryFolder faulty, clean;
    FakeClock clock(1000);

    const InProcessRun run = RunInProcess(SmallRun(faulty.Path()), clock);
    ASSERT_EQ(run.exitStatus, 3) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral(": Домов с неполными данными: 3\n")));
    const QString list = faulty.Path() + QStringLiteral("/data1000-incomplete.txt");
    QStringList expectedList{QStringLiteral("Дом\tНет данных")};
    for (const QString& guid : failing)
        expectedList.append(guid + QStringLiteral("\tкарточка"));
    expectedList.append(noPassport + QStringLiteral("\tпаспорт"));
    std::sort(expectedList.begin() + 1, expectedList.end());
    EXPECT_EQ(QString::fromUtf8(ReadBytes(list)),
              expectedList.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

    const std::size_t before = portal.Log().size();
    const InProcessRun repair =
        RunInProcess({QStringLiteral("--repair"), QStringLiteral("--out"), faulty.Path()}, clock);
    ASSERT_EQ(repair.exitStatus, 0) << repair.err.toStdString() << repair.out.toStdString();
    const std::vector<QJsonObject> log = portal.Log();
    EXPECT_EQ(CountKind(log, before, "card"), 2);
    EXPECT_EQ(CountKind(log, before, "passport"), 1);
    EXPECT_EQ(CountKind(log, before, "map") + CountKind(log, before, "search"), 0);
    const auto firstCardHeaders = [&](std::size_t from) {
        for (std::size_t k = from; k < log.size(); ++k)
            if (log[k].value(QStringLiteral("endpoint")).toString() == QStringLiteral("card"))
                return log[k].value(QStringLiteral("headers"));
        return QJsonValue();
    };
    EXPECT_EQ(firstCardHeaders(before), firstCardHeaders(0)) << "sent as a run sends it";
    EXPECT_FALSE(QFile::exists(list)) << "no incomplete house is left to list";
    EXPECT_FALSE(repair.out.contains(QStringLiteral("Домов с неполными данными")));

    ASSERT_EQ(RunInProcess(SmallRun(clean.Path()), clock).exitStatus, 0);
    const QStringList cleanTables = FilesIn(clean.Path(), QStringLiteral("data*.tab"));
    ASSERT_EQ(cleanTables.size(), 1);
    const QByteArray expected = ReadBytes(clean.Path() + QLatin1Char('/') + cleanTables.first());
    EXPECT_EQ(expected.count("\r\n"), 9);
    EXPECT_TRUE(ReadBytes(faulty.Path() + QStringLiteral("/data1000.tab")) == expected);
    EXPECT_EQ(RunInProcess({QStringLiteral("--repair"), QStringLiteral("--out"), faulty.Path(),
                            QStringLiteral("--run"), QStringLiteral("data1000")},
                           clock)
                  .exitStatus,
              0)
        << "nothing left to repair is no failure";
}

// Requests from..to of one kind answered 500.
QJsonObject Outage(const char* endpoint, int from, int to) {
    QJsonArray numbers;
    for (int n = from; n <= to; ++n)
        numbers.append(n);
    return {{QStringLiteral("endpoint"), QString::fromUtf8(endpoint)},
            {QStringLiteral("requests"), numbers},
            {QStringLiteral("fault"), QStringLiteral("status")},
            {QStringLiteral("status"), 500}};
}

struct OutageCase {
    const char* name;
    QStringList job; // besides the region, the interval and the folder
    QJsonArray rules;
    const char* endLine; // what the run says at its end
    // Before the repair that fills every gap: the record's last pair line taken back and the run
    // continued, a repair under a file-size limit, or repairs that leave gaps.
    enum { kNothing, kContinued, kWriteFails, kTwoRepairs } before;
    std::array<int, 4> requests; // search, map, passport and card requests of the last repair
};

TEST(CliRepairTest, WhatAnOutageLeftMissingIsRepairedIntoTheFaultFreeTable) {
    const QJsonValue cities = Small()[QStringLiteral("cities")];
    const auto city = [&](int k) { return cities[k][QStringLiteral("code")].toString(); };
    const QString mira = cities[1][QStringLiteral("first_streets")][1][QStringLiteral("code")]
                             .toString(); // the second city's, not the first's
    const QString all = QStringLiteral("--all-streets"), c = QStringLiteral("--city");
    const QStringList pagesOf3{all, QStringLiteral("--page-size"), QStringLiteral("3")};
    const char* pageLost = "Страниц поиска не загружено: 1";
    const char* houseIncomplete = "Домов с неполными данными: 1";
    const OutageCase cases[] = {
        {"page 2 of 3", pagesOf3, {Outage("search", 2, 21)}, pageLost, {}, {1, 3, 3, 3}},
        // The continuation leaves the lost page to the repair: it belongs before page 3's rows.
        {"page 2 of 3, the run continued",
         pagesOf3,
         {Outage("search", 2, 21)},
         pageLost,
         OutageCase::kContinued,
         {1, 3, 3, 3}},
        {"page 1 of the first pair",
         {all, c, city(0), c, city(1)},
         {Outage("search", 1, 20)},
         pageLost,
         {},
         {1, 4, 4, 4}},
        {"a repair whose table cannot be written",
         pagesOf3,
         {Outage("search", 2, 21)},
         pageLost,
         OutageCase::kWriteFails,
         {1, 3, 3, 3}},
        // The first repair inserts the first pair before the third's rows, loses the second again.
        {"repairs one after another",
         {all, c, city(0), c, city(1), c, city(2)},
         {Outage("search", 1, 40), Outage("search", 43, 62)},
         "Страниц поиска не загружено: 2",
         OutageCase::kTwoRepairs,
         {1, 2, 2, 2}},
        {"a pair that found no houses",
         {c, city(0), c, city(1), QStringLiteral("--street"), mira},
         {Outage("card", 1, 20)},
         houseIncomplete,
         OutageCase::kContinued,
         {0, 0, 0, 1}},
        // The second house of the city misses its map on the first pair, its card on the second.
        {"a house on two pairs",
         {all, c, city(1), c, city(1)},
         {Outage("map", 2, 21), Outage("card", 4, 23)},
         houseIncomplete,
         {},
         {0, 1, 0, 1}},
    };
    for (const OutageCase& o : cases) {
        SCOPED_TRACE(o.name);
        SimulatedPortal portal(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("rules"), o.rules}}).toJson()));
        TemporaryFolder faulty, clean;
        FakeClock clock(1000);
        const QString table = faulty.Path() + QStringLiteral("/data1000.tab");
        const QString record = faulty.Path() + QStringLiteral("/data1000.run");
        const QString list = faulty.Path() + QStringLiteral("/data1000-incomplete.txt");
        const auto run = [&](const QString& folder) {
            return RunInProcess(SmallRun(folder).mid(0, 2) + o.job + SmallRun(folder).mid(3),
                                clock);
        };
        const auto takeUp = [&](const char* how) {
            return RunInProcess({QString::fromUtf8(how), QStringLiteral("--out"), faulty.Path()},
                                clock);
        };

        const InProcessRun faultyRun = run(faulty.Path());
        EXPECT_EQ(faultyRun.exitStatus, 3) << faultyRun.err.toStdString();
        EXPECT_TRUE(
            faultyRun.out.contains(QStringLiteral(": %1\n").arg(QString::fromUtf8(o.endLine))));
        if (o.before == OutageCase::kContinued) {
            const QByteArray bytes = ReadBytes(record);
            WriteBytes(record, bytes.left(bytes.lastIndexOf("\npair ") + 1));
            const InProcessRun resumed = takeUp("--resume");
            EXPECT_EQ(resumed.exitStatus, 3)
                << resumed.err.toStdString() << resumed.out.toStdString();
            EXPECT_FALSE(resumed.out.contains(QStringLiteral("Список домов изменился")));
        }
        if (o.before == OutageCase::kTwoRepairs) {
            EXPECT_EQ(takeUp("--repair").exitStatus, 3);
        }
        if (o.before == OutageCase::kWriteFails) {
            const QByteArray before[] = {ReadBytes(table), ReadBytes(record), ReadBytes(list)};
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            rlimit small = old;
            small.rlim_cur = rlim_t(before[0].size());
            setrlimit(RLIMIT_FSIZE, &small);
            EXPECT_EQ(takeUp("--repair").exitStatus, 1);
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
            EXPECT_TRUE(ReadBytes(table) == before[0]);
            EXPECT_TRUE(ReadBytes(record) == before[1]) << "nothing recorded as repaired";
            EXPECT_TRUE(ReadBytes(list) == before[2]);
        }

        const std::size_t before = portal.Log().size();
        const InProcessRun repair = takeUp("--repair");
        EXPECT_EQ(repair.exitStatus, 0) << repair.out.toStdString();
        EXPECT_FALSE(repair.out.contains(QStringLiteral("для 0 домов")));
        const char* kinds[] = {"search", "map", "passport", "card"};
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(CountKind(portal.Log(), before, kinds[k]), o.requests[k]) << kinds[k];
        EXPECT_FALSE(QFile::exists(list));
        ASSERT_EQ(run(clean.Path()).exitStatus, 0);
        const QStringList cleanTables = FilesIn(clean.Path(), QStringLiteral("data*.tab"));
        ASSERT_EQ(cleanTables.size(), 1);
        EXPECT_TRUE(ReadBytes(table) ==
                    ReadBytes(clean.Path() + QLatin1Char('/') + cleanTables.first()));
    }
}

struct DamageCase {
    DamageCase(const char* name, std::function<void(const QString&)> damage, const char* message,
               int exitStatus = 1, int searchesBeforeHouse = 0, QStringList hidden = {})
        : name(name), damage(std::move(damage)), message(message), exitStatus(exitStatus),
          searchesBeforeHouse(searchesBeforeHouse), hidden(std::move(hidden)) {}
    const char* name;
    std::function<void(const QString& folder)> damage;
    const char* message; // a part of what the command says
    int exitStatus;      // 0: continued into the uninterrupted run's table
    int searchesBeforeHouse;
    QStringList hidden; // houses the portal no longer lists when the run is continued
};

// The house of every row of a table's bytes.
QStringList Guids(const QByteArray& table) {
    QStringList guids;
    for (const QByteArray& line : table.split('\n').mid(1))
        if (!line.isEmpty())
            guids.append(RowGuid(QString::fromUtf8(line)));
    return guids;
}

// Search pages asked after `from` before the first house request (all of them when none came).
int SearchesBeforeFirstHouse(const std::vector<QJsonObject>& log, std::size_t from) {
    int searches = 0;
    for (std::size_t k = from; k < log.size(); ++k) {
        const QString kind = log[k].value(QStringLiteral("endpoint")).toString();
        if (kind == QStringLiteral("map"))
            break;
        searches += kind == QStringLiteral("search");
    }
    return searches;
}

QByteArray Replaced(const QByteArray& bytes, int line, const QByteArray& text) {
    QList<QByteArray> lines = bytes.split('\n');
    lines[line] = text;
    return lines.join('\n');
}

TEST(CliRepairTest, ARecordOrTableThatIsNotTheRunsIsRefusedAndNothingIsAppended) {
    SimulatedPortal portal;
    QString cities[2];
    const QJsonArray list = Small().value(QStringLiteral("cities")).toArray();
    cities[0] = list[1].toObject().value(QStringLiteral("code")).toString();
    cities[1] = list[0].toObject().value(QStringLiteral("code")).toString();
    // A finished run of two pairs (2 houses, then 4 on two pages), made unfinished by taking back
    // its last pair's line: a kill after the rows of the second pair.
    TemporaryFolder base;
    FakeClock clock(2000);
    ASSERT_EQ(RunInProcess(SmallRun(base.Path()) + QStringList{QStringLiteral("--city"), cities[0],
                                                               QStringLiteral("--city"), cities[1],
                                                               QStringLiteral("--page-size"),
                                                               QStringLiteral("2")},
                           clock)
                  .exitStatus,
              0);
    const QString record = QStringLiteral("/data2000.run"), table = QStringLiteral("/data2000.tab");
    QByteArray recordBytes = ReadBytes(base.Path() + record);
    ASSERT_TRUE(recordBytes.endsWith("\nworkbook\n"));
    recordBytes.truncate(recordBytes.lastIndexOf("\npair ") + 1);
    const QByteArray tableBytes = ReadBytes(base.Path() + table);
    ASSERT_EQ(tableBytes.count("\r\n"), 7);

    const auto editRecord = [&](int line, const QByteArray& text) {
        return [=](const QString& folder) {
            WriteBytes(folder + record, Replaced(recordBytes, line, text));
        };
    };
    const auto editTable = [&](int line, const std::function<QByteArray(QByteArray)>& change) {
        return [=](const QString& folder) {
            QList<QByteArray> lines = tableBytes.split('\n');
            lines[line] = change(lines[line]);
            WriteBytes(folder + table, lines.join('\n'));
        };
    };
    const auto keepRows = [&](int rows) {
        return [=](const QString& folder) {
            const QList<QByteArray> lines = tableBytes.split('\n');
            WriteBytes(folder + table, lines.first(rows + 1).join('\n') + '\n');
        };
    };
    const QString secondOfPair = RowGuid(QString::fromUtf8(tableBytes.split('\n')[4]));
    int lockedFd = -1;
    const DamageCase cases[] = {
        {"intact", [](const QString&) {}, "строк в таблице 6, пропускаем завершённых пар 1 из 2\n",
         0, 1},
        {"a last row cut off before its line end",
         [&](const QString& folder) {
             WriteBytes(folder + table, tableBytes + tableBytes.split('\n')[1].left(90));
         },
         "строк в таблице 6", 0, 1},
        {"stopped in the middle of a page", keepRows(5), "строк в таблице 5", 0, 1},
        {"stopped at a page boundary", keepRows(4), "строк в таблице 4", 0, 2},
        {"the pair under way not begun", keepRows(2), "строк в таблице 2", 0, 1},
        // The stopped run's listing ended at the third house (the fourth, never reached, is the
        // same as one added at its end); the second is gone when it is continued.
        {"a house gone before the stop and one added at the end",
         keepRows(5),
         "Список домов изменился после остановки: страница 2",
         0,
         3,
         {secondOfPair}},
        {"a record one pair line behind its table",
         [&](const QString& folder) {
             const QList<QByteArray> lines = recordBytes.split('\n');
             WriteBytes(folder + record, lines.first(2).join('\n') + '\n');
         },
         "строк в таблице 6, пропускаем завершённых пар 0 из 2", 0, 4},
        {"a table shorter than the record says", keepRows(1),
         "в таблице 1 строка, а по записи после последней завершённой пары их 2: таблица короче, "
         "чем её записала эта выгрузка, и продолжить её нельзя; начните новую выгрузку"},
        {"a record of the first version", editRecord(0, "house-export-run 1"),
         "строк в таблице 6, пропускаем завершённых пар 1 из 2\n", 0, 1},
        {"a last record line cut off",
         [&](const QString& folder) { WriteBytes(folder + record, recordBytes + "pair 1 0 7"); },
         "строк в таблице 6, пропускаем завершённых пар 1 из 2\n", 0, 1},
        {"CR LF line ends",
         [&](const QString& folder) {
             WriteBytes(folder + record, QByteArray(recordBytes).replace("\n", "\r\n"));
         },
         "строк в таблице 6, пропускаем завершённых пар 1 из 2\n", 0, 1},
        {"an unreadable record beside",
         [&](const QString& folder) { WriteBytes(folder + QStringLiteral("/data9.run"), {}); },
         "data9.run\" не подходит: это не запись выгрузки, пропускаем его", 0, 1},
        {"an older stopped run beside",
         [&](const QString& folder) {
             WriteBytes(folder + QStringLiteral("/data1.run"),
                        QByteArray(recordBytes).replace("data2000.tab", "data1.tab"));
             WriteBytes(folder + QStringLiteral("/data1.tab"), tableBytes);
             QFile older(folder + QStringLiteral("/data1.run"));
             ASSERT_TRUE(older.open(QIODevice::ReadWrite));
             older.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                               QFileDevice::FileModificationTime);
         },
         ": Продолжаем выгрузку в файл data2000.tab", 0, 1},
        {"rows that are not the job's, with an incomplete house",
         [&](const QString& folder) {
             WriteBytes(folder + record, recordBytes + "incomplete card x\n");
             QList<QByteArray> lines = tableBytes.split('\n');
             lines.removeAt(1);
             WriteBytes(folder + table, lines.join('\n'));
         },
         "строки таблицы не те"},
        {"another version", editRecord(0, "house-export-run 9"), "другой версией"},
        {"damaged job", editRecord(1, "{\"table\": \"data2000.tab\""),
         "задание в записи повреждено"},
        {"damaged event", editRecord(2, "pair 0 x 4 100"), "строка 3 повреждена"},
        {"another table",
         editRecord(1, recordBytes.split('\n')[1].replace("data2000.tab", "data5.tab")),
         "чужую таблицу"},
        {"table missing", [&](const QString& folder) { QFile::remove(folder + table); },
         "не открывается"},
        {"another header",
         editTable(0, [](QByteArray line) { return line.replace("Регион", "Область"); }),
         "строка заголовка"},
        {"short row",
         editTable(2, [](QByteArray line) { return line.left(line.indexOf('\t')).append('\r'); }),
         "строка 2 не из 101 полей"},
        {"rows that are not the job's",
         [&](const QString& folder) {
             QList<QByteArray> lines = tableBytes.split('\n');
             lines.removeAt(1);
             WriteBytes(folder + table, lines.join('\n'));
         },
         "строки таблицы не те"},
        {"held by another process",
         [&](const QString& folder) {
             lockedFd = ::open(QFile::encodeName(folder + record).constData(), O_RDONLY);
             ::flock(lockedFd, LOCK_EX);
         },
         "другой запуск программы"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        WriteBytes(folder.Path() + record, recordBytes);
        WriteBytes(folder.Path() + table, tableBytes);
        c.damage(folder.Path());
        const QByteArray tableBefore = ReadBytes(folder.Path() + table);
        std::optional<SimulatedPortal> moved;
        if (!c.hidden.isEmpty())
            moved.emplace(QString(), QStringList{QStringLiteral("--hide")} + c.hidden);
        const SimulatedPortal& asked = moved ? *moved : portal;
        const std::size_t before = asked.Log().size();
        // On a terminal, for the progress line.
        const InProcessRun run = RunInProcess(
            {QStringLiteral("--resume"), QStringLiteral("--out"), folder.Path()}, clock, 0, true);
        if (lockedFd >= 0)
            ::close(std::exchange(lockedFd, -1));
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err.toStdString() << run.out.toStdString();
        EXPECT_TRUE(QString(run.err + run.out).contains(QString::fromUtf8(c.message)))
            << run.err.toStdString() << run.out.toStdString();
        if (c.exitStatus == 0) {
            // Every house missing from the table asked for once, every house in it once only.
            const QByteArray after = ReadBytes(folder.Path() + table);
            if (c.hidden.isEmpty()) {
                EXPECT_TRUE(after == tableBytes) << "the uninterrupted run's table";
            }
            // The other portal's links differ: the houses of the rows are compared.
            EXPECT_EQ(Guids(after), Guids(tableBytes));
            EXPECT_TRUE(after.startsWith(tableBefore.left(tableBefore.lastIndexOf('\n') + 1)));
            EXPECT_EQ(CountKind(asked.Log(), before, "map"),
                      tableBytes.count('\n') - tableBefore.count('\n'));
            EXPECT_LE(SearchesBeforeFirstHouse(asked.Log(), before), c.searchesBeforeHouse);
            EXPECT_TRUE(ReadRunRecord(folder.Path() + record).Finished()) << "read back whole";
            if (tableBefore.count('\n') == tableBytes.count('\n')) {
                EXPECT_FALSE(run.out.contains(QStringLiteral("с/дом"))) << "no house was fetched";
            }
            continue;
        }
        EXPECT_TRUE(ReadBytes(folder.Path() + table) == tableBefore) << "nothing appended";
        // A refusal says what to do next, and reports or rewrites nothing of the refused run.
        const QString said = run.err + run.out;
        EXPECT_TRUE(said.contains(QStringLiteral("начните новую выгрузку")) ||
                    said.contains(QStringLiteral("дождитесь")));
        EXPECT_FALSE(said.contains(QStringLiteral("Домов с неполными данными")));
        EXPECT_FALSE(QFile::exists(folder.Path() + QStringLiteral("/data2000-incomplete.txt")));
        EXPECT_EQ(CountKind(portal.Log(), before, "map"), 0);
    }
}

} // namespace
