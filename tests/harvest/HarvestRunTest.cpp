// Whole runs of the worker against the fake portal, with a recording window and a fake clock: the
// rows written, the log, the pauses, and the stop.
#include "HarvestJobRun.h"
#include "SimulatedPortal.h"
#include "harvest/Scraper.h"
#include "http/PortalClient.h"
#include "portal/PortalAnswers.h"
#include "portal/PortalApi.h"
#include "records/HouseRow.h"
#include "records/TableRowText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kSearch = QStringLiteral("search");

TEST(HarvestRunTest, OneSearchOverTheRegionWritesEveryHouseOnceInRequestOrder) {
    SimulatedPortal portal;
    HarvestJobRun run;
    run.window.interval = 1;
    run.window.savePassports = true;
    run.worker.Execute();

    const QStringList rows = run.Rows();
    ASSERT_EQ(rows.size(), 8);
    for (const QString& row : rows)
        EXPECT_EQ(row.count(QLatin1Char('\t')), 100);
    EXPECT_EQ(QDir(run.folder.Path() + QStringLiteral("/json")).entryList(QDir::Files).size(), 8);
    EXPECT_EQ(portal.Count(kSearch), 1);
    EXPECT_EQ(portal.Count(QStringLiteral("map")), 8);
    EXPECT_EQ(portal.Count(QStringLiteral("passport")), 8);
    EXPECT_EQ(portal.Count(QStringLiteral("card")), 8);
    // Every request waited one interval from the previous success, the first from tick 0.
    EXPECT_EQ(run.clock.Slept(), 25u * 1000u);
    // The POSTs set the request settings, and the GETs go out with what they left.
    for (const QJsonObject& request : portal.Log()) {
        const QJsonArray headers = request.value(QStringLiteral("headers")).toArray();
        const QString kind = request.value(QStringLiteral("endpoint")).toString();
        EXPECT_TRUE(
            headers.contains(
                QStringLiteral("Request-GUID: 00000000-0000-0000-0000-000000000000")) &&
            headers.contains(QStringLiteral("Session-GUID: 0")) &&
            headers.contains(QStringLiteral("Content-Type: application/json; charset=UTF-8")))
            << kind.toStdString();
    }

    const QStringList lines = run.window.LogLines();
    ASSERT_GE(lines.size(), 7);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Данные будут записываться в файл ") +
                                    run.folder.Path() + QStringLiteral("/data")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(".xlsx")));
    EXPECT_EQ(lines[1], QStringLiteral("Начинаем выгрузку региона Тестовая обл, города Не задан, "
                                       "улицы Не задан"));
    EXPECT_EQ(lines[2], QStringLiteral("Загружаем страницу 1 на 100 домов"));
    EXPECT_EQ(lines[3], QStringLiteral("Найдено домов: 8"));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("Загружаем координаты для дома ")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("Загружаем паспорт для дома ")));
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("Загружаем карточку для дома ")));

    const QStringList calls = run.window.Calls();
    EXPECT_EQ(calls.first(), QStringLiteral("state: start"));
    EXPECT_EQ(calls.last(), QStringLiteral("state: end"));
    EXPECT_TRUE(calls.contains(QStringLiteral("house: 8/8")));
    EXPECT_EQ(calls.mid(calls.size() - 3, 2),
              (QStringList{QStringLiteral("house: 0/8"), QStringLiteral("stage: 0/1")}));
}

// The table of a run equals the rows built from the portal's own answers, house by house, and the
// log is exactly the expected sequence.
TEST(HarvestRunTest, TableAndLogOfASmallRegionAreExactlyTheExpectedOnes) {
    SimulatedPortal portal;
    HarvestJobRun run;
    run.worker.Execute();

    PortalClient client(ClientProfile::Worker);
    ApplyPostSettings(client);
    const SearchPageAnswer page(
        client.Post(HouseSearchUrl(1, 100), SearchBody(run.worker.RegionCode, {}, {})));
    ASSERT_NE(page.Items(), nullptr);
    QStringList expectedRows;
    QStringList expectedLines{
        QStringLiteral("Данные будут записываться в файл ") + run.folder.Path() +
            QStringLiteral("/data0.xlsx"),
        QStringLiteral("Начинаем выгрузку региона Тестовая обл, города Не задан, улицы Не задан"),
        QStringLiteral("Загружаем страницу 1 на 100 домов"), QStringLiteral("Найдено домов: 8")};
    for (const JsonValue& item : *page.Items()) {
        const QString guid = HouseGuid(&item);
        const QString map = client.Get(MapLookupUrl(guid));
        ApplyPostSettings(client);
        const QString passport =
            QString::fromUtf8(client.PostRaw(PassportSearchUrl(), PassportBody(guid)));
        const QString card = client.Get(HouseCardUrl(HouseTypeCode(&item), guid));
        expectedRows.append(TableRowText(BuildHouseRow(item, map, passport, card)));
        expectedLines << QStringLiteral("Загружаем координаты для дома ") + guid
                      << QStringLiteral("Загружаем паспорт для дома ") + guid
                      << QStringLiteral("Загружаем карточку для дома ") + guid;
    }
    EXPECT_EQ(run.Rows(), expectedRows);
    EXPECT_EQ(run.window.LogLines(), expectedLines);
}

struct FaultCase {
    const char* name;
    const char* rules;
    int pageSize;
    const char* expectedLine; // a log line that must appear ("" for none)
    int searchRequests;
    std::uint64_t minimumSlept;
    bool errorLines; // whether "Ошибка: " lines are expected
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class HarvestFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(HarvestFaultTest, EveryHouseIsWrittenWhateverThePortalDoes) {
    const FaultCase& c = GetParam();
    SimulatedPortal portal(QStringLiteral("{\"rules\": [%1]}").arg(QString::fromUtf8(c.rules)));
    HarvestJobRun run;
    run.window.pageSize = c.pageSize;
    run.worker.Execute();

    EXPECT_EQ(run.Rows().size(), 8);
    EXPECT_EQ(portal.Count(kSearch), c.searchRequests);
    EXPECT_GE(run.clock.Slept(), c.minimumSlept);
    if (*c.expectedLine) {
        EXPECT_TRUE(run.window.LogLines().contains(QString::fromUtf8(c.expectedLine)))
            << run.window.LogLines().join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Ошибка: ")) > 0, c.errorLines);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HarvestFaultTest,
    testing::Values(
        FaultCase{"PagesOfThree", "", 3, "Загружаем страницу 3 на 3 домов", 3, 0, false},
        FaultCase{"CardsNotFound", R"({"endpoint": "card", "fault": "status", "status": 404})", 100,
                  "", 1, 0, false},
        FaultCase{"SearchServerError",
                  R"({"endpoint": "search", "requests": [2], "fault": "status", "status": 500})", 3,
                  "Ошибка: ERROR_HTTP/1.1 500 Internal Server Error", 4, 15000, true},
        FaultCase{"SearchClosedByPortal",
                  R"({"endpoint": "search", "requests": [1], "fault": "close_before_status"})", 100,
                  "Включилась блокировка, делаем паузу 3 минуты", 2, 180000, false},
        FaultCase{"SearchBlank",
                  R"({"endpoint": "search", "requests": [1], "fault": "whitespace_body"})", 100,
                  "Сайт не выдал никаких данных, повторяем запрос...", 2, 0, false},
        // A closed connection right after a 404 answer is not a 404 of its own: the page is
        // tried again instead of ending the pair with houses unvisited.
        FaultCase{"ClosedAfterNotFound",
                  R"({"endpoint": "card", "fault": "status", "status": 404},
                     {"endpoint": "search", "requests": [2], "fault": "close_before_status"})",
                  3, "Включилась блокировка, делаем паузу 3 минуты", 4, 180000, false},
        FaultCase{"MapUnavailable",
                  R"({"endpoint": "map", "requests": [1], "fault": "status", "status": 503})", 100,
                  "Включаем паузу на 15 секунд", 1, 25000, true},
        FaultCase{"CardsHtml", R"({"endpoint": "card", "fault": "html_200"})", 100, "", 1, 0,
                  false}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(HarvestRunTest, StopEndsTheRunWithTheRowsWrittenAndLeavesTheProgress) {
    SimulatedPortal portal;
    HarvestJobRun run;
    int cards = 0;
    run.window.onLog = [&](const QString& message) {
        if (message.startsWith(QStringLiteral("Загружаем карточку")) && ++cards == 3)
            run.worker.RequestStop();
    };
    run.worker.Execute();

    // The third card request was already under way: its answer is not used, its row not written.
    EXPECT_EQ(run.Rows().size(), 2);
    EXPECT_EQ(portal.Count(QStringLiteral("card")), 3);
    const QStringList calls = run.window.Calls();
    EXPECT_EQ(calls.last(), QStringLiteral("state: end"));
    const QStringList houseCalls = calls.filter(QStringLiteral("house: "));
    EXPECT_EQ(houseCalls.last(), QStringLiteral("house: 3/8")) << "a stop leaves the progress";
}

TEST(HarvestRunTest, EndStepsConvertTheTableAndOpenTheWorkbookOrSayWhyNot) {
    SimulatedPortal portal;
    enum class Ending { Converted, Blocked, Leaving };
    for (const Ending ending : {Ending::Converted, Ending::Blocked, Ending::Leaving}) {
        HarvestJobRun run;
        run.worker.ConvertsWorkbook = true;
        run.window.coordinates = run.window.passports = run.window.cards = false;
        // The fake clock stands still at 0 without an interval, so the files are data0.*.
        const QString workbook = run.folder.Path() + QStringLiteral("/data0.xlsx");
        if (ending == Ending::Blocked) {
            ASSERT_TRUE(QDir().mkdir(workbook));
        }
        // Closing the window during the conversion: the immediate stop reaches it.
        if (ending == Ending::Leaving)
            run.window.onLog = [&](const QString& message) {
                if (message.startsWith(QStringLiteral("Запускаем формирование")))
                    run.worker.StopNow();
            };
        run.worker.Execute();

        const QStringList calls = run.window.Calls();
        const qsizetype end = calls.indexOf(QStringLiteral("state: end"));
        ASSERT_GE(end, 0);
        QStringList after = calls.mid(end + 1);
        ASSERT_GE(after.size(), 1);
        EXPECT_EQ(after[0], QStringLiteral("log: Запускаем формирование файла Excel..."));
        if (ending == Ending::Leaving) {
            EXPECT_EQ(after.size(), 1);
            // No workbook, not even its temporary file; the table stays.
            EXPECT_TRUE(QDir(run.folder.Path()).entryList({QStringLiteral("*.xlsx*")}).isEmpty());
            EXPECT_TRUE(QFileInfo(run.folder.Path() + QStringLiteral("/data0.tab")).isFile());
            continue;
        }
        ASSERT_GE(after.size(), 3);
        EXPECT_EQ(after[1], QStringLiteral("log: Файл сформирован, в нем 9 строк"));
        if (ending == Ending::Blocked) {
            EXPECT_EQ(after.size(), 3);
            EXPECT_TRUE(after[2].startsWith(QStringLiteral("log: Ошибка: ")))
                << after[2].toStdString();
        } else {
            EXPECT_EQ(after.mid(2),
                      (QStringList{QStringLiteral("log: Открываем файл с результатами ") + workbook,
                                   QStringLiteral("open: ") + workbook}));
            EXPECT_TRUE(QFileInfo(workbook).isFile());
        }
    }
}

// A portal that announces houses but lists none is not asked for pages without end.
TEST(HarvestRunTest, APageWithoutHousesEndsThePair) {
    const QString body = QStringLiteral(R"({"total": 5, "items": []})");
    SimulatedPortal portal(
        QStringLiteral(R"({"rules": [{"endpoint": "search", "fault": "raw", "response": )"
                       R"("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n)"
                       R"(Content-Length: %1\r\n\r\n%2"}]})")
            .arg(body.size())
            .arg(QString(body).replace(QLatin1Char('"'), QStringLiteral("\\\""))));
    HarvestJobRun run;
    run.window.onLog = [&](const QString& message) {
        if (message.startsWith(QStringLiteral("Загружаем страницу 10 ")))
            run.worker.RequestStop(); // bounds the test should paging go on
    };
    run.worker.Execute();
    EXPECT_EQ(portal.Count(kSearch), 1);
    EXPECT_TRUE(run.window.LogLines().contains(QStringLiteral("Найдено домов: 5")));
    EXPECT_EQ(run.Rows().size(), 0);
}

TEST(HarvestRunTest, SetUpWithoutPairsOrWithoutTable) {
    SimulatedPortal portal;
    {
        HarvestJobRun run;
        run.worker.StreetsNamesList.clear();
        run.worker.StreetsCodesList.clear();
        QFile skip(run.folder.Path() + QStringLiteral("/skip.txt"));
        ASSERT_TRUE(skip.open(QIODevice::WriteOnly));
        skip.write("\xEF\xBB\xBF"
                   "a\r\nA\r\nb\rc\n"); // a lone CR ends a line too
        skip.close();
        run.worker.Execute();
        EXPECT_EQ(run.Rows().size(), 0);
        EXPECT_EQ(run.window.LogLines().first(),
                  QStringLiteral("В файле skip.txt найдено 3 ссылок на карточки организаций, "
                                 "которые не будут загружаться."));
        EXPECT_TRUE(run.window.Calls().contains(QStringLiteral("stage: 0/0")));
    }
    {
        HarvestJobRun run(QStringLiteral("gone/"));
        run.worker.Execute();
        const QStringList lines = run.window.LogLines();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Ошибка: Cannot create file \"")));
        EXPECT_EQ(run.window.Calls().last(), QStringLiteral("state: end"));
    }
    EXPECT_EQ(portal.Count(kSearch), 0);
}

// The worker on its own thread, held by its error pause until the window releases it.
TEST(HarvestRunTest, ErrorPauseHoldsTheWorkerUntilReleased) {
    SimulatedPortal portal(QStringLiteral(
        R"({"rules": [{"endpoint": "map", "requests": [1], "fault": "status", "status": 503}]})"));
    HarvestJobRun run;
    run.window.holdOnPause = true;
    // A joined thread of our own: its end is seen by ThreadSanitizer, unlike a QThread's.
    std::thread worker([&] { run.worker.Execute(); });
    for (int i = 0; i < 3000 && !run.worker.IsHeld(); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(run.worker.IsHeld()); // released or stopped below all the same
    EXPECT_EQ(run.Rows().size(), 0);
    run.worker.Release();
    worker.join();
    EXPECT_EQ(run.Rows().size(), 8);
}

} // namespace
