// Repair of a finished run's incomplete houses, and the records and tables that a continuation
// refuses, with the command in this process and a fake clock.
#include "CliTestSupport.h"
#include "SimulatedPortal.h"
#include "harvest/RunRecord.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

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
    ASSERT_EQ(run.exitStatus, 0) << run.err.toStdString();
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

struct DamageCase {
    const char* name;
    std::function<void(const QString& folder)> damage;
    const char* message;   // a part of what the command says; "" for a continuation that works
    const char* said = ""; // a part of what the command says besides
};

QByteArray Replaced(const QByteArray& bytes, int line, const QByteArray& text) {
    QList<QByteArray> lines = bytes.split('\n');
    lines[line] = text;
    return lines.join('\n');
}

TEST(CliRepairTest, ARecordOrTableThatIsNotTheRunsIsRefusedAndNothingIsAppended) {
    SimulatedPortal portal;
    QString cities[2];
    const QJsonArray list = Small().value(QStringLiteral("cities")).toArray();
    cities[0] = list[0].toObject().value(QStringLiteral("code")).toString();
    cities[1] = list[1].toObject().value(QStringLiteral("code")).toString();
    // A finished run of two pairs, made unfinished by taking back its last pair's line.
    TemporaryFolder base;
    FakeClock clock(2000);
    ASSERT_EQ(RunInProcess(SmallRun(base.Path()) + QStringList{QStringLiteral("--city"), cities[0],
                                                               QStringLiteral("--city"), cities[1]},
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
    int lockedFd = -1;
    const DamageCase cases[] = {
        {"intact", [](const QString&) {}, ""},
        {"a last row cut off before its line end",
         [&](const QString& folder) {
             WriteBytes(folder + table, tableBytes + tableBytes.split('\n')[1].left(90));
         },
         ""},
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
        {"a last record line cut off",
         [&](const QString& folder) { WriteBytes(folder + record, recordBytes + "pair 1 0 7"); },
         ""},
        {"CR LF line ends",
         [&](const QString& folder) {
             WriteBytes(folder + record, QByteArray(recordBytes).replace("\n", "\r\n"));
         },
         ""},
        {"an unreadable record beside",
         [&](const QString& folder) { WriteBytes(folder + QStringLiteral("/data9.run"), {}); }, "",
         "data9.run\" не подходит: это не запись выгрузки, пропускаем его"},
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
         ""},
        {"rows that are not the job's, with an incomplete house",
         [&](const QString& folder) {
             WriteBytes(folder + record, recordBytes + "incomplete card x\n");
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
        const std::size_t before = portal.Log().size();
        // On a terminal, for the progress line.
        const InProcessRun run = RunInProcess(
            {QStringLiteral("--resume"), QStringLiteral("--out"), folder.Path()}, clock, 0, true);
        if (lockedFd >= 0)
            ::close(std::exchange(lockedFd, -1));
        if (*c.message == 0) {
            EXPECT_TRUE(ReadBytes(folder.Path() + table) == tableBytes) << "the whole table";
            EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString() << run.out.toStdString();
            // The pair that was under way is paged again; its houses are all in the table.
            EXPECT_GT(CountKind(portal.Log(), before, "search"), 0);
            EXPECT_EQ(CountKind(portal.Log(), before, "map"), 0);
            EXPECT_TRUE(run.out.contains(QStringLiteral(
                ": Продолжаем выгрузку в файл data2000.tab: строк в таблице 6, пропускаем "
                "завершённых пар 1 из 2\n")))
                << run.out.toStdString();
            EXPECT_TRUE(ReadRunRecord(folder.Path() + record).Finished()) << "read back whole";
            EXPECT_FALSE(run.out.contains(QStringLiteral("с/дом"))) << "no house was fetched";
            EXPECT_TRUE(QString(run.err + run.out).contains(QString::fromUtf8(c.said)));
            continue;
        }
        EXPECT_TRUE(ReadBytes(folder.Path() + table) == tableBefore) << "nothing appended";
        EXPECT_EQ(run.exitStatus, 1);
        const QString said = run.err + run.out;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.message)))
            << run.err.toStdString() << run.out.toStdString();
        // A refusal says what to do next, and reports or rewrites nothing of the refused run.
        EXPECT_TRUE(said.contains(QStringLiteral("начните новую выгрузку")) ||
                    said.contains(QStringLiteral("дождитесь")));
        EXPECT_FALSE(said.contains(QStringLiteral("Домов с неполными данными")));
        EXPECT_FALSE(QFile::exists(folder.Path() + QStringLiteral("/data2000-incomplete.txt")));
        EXPECT_EQ(CountKind(portal.Log(), before, "map"), 0);
    }
}

} // namespace
