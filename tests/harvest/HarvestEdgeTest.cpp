// The rules of paging, visits, stops and pauses at their edges, and the faults the worker mends,
// each against the fake portal with a recording window and a fake clock.
#include "HarvestJobRun.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace {

QString Rules(const char* rules) {
    return QStringLiteral("{\"rules\": [%1]}").arg(QString::fromUtf8(rules));
}

QJsonArray Cities(const HarvestJobRun& run) {
    return run.region.value(QStringLiteral("cities")).toArray();
}

struct PagingCase {
    const char* name;
    const char* region;
    const char* rules;
    int pageSize;
    bool houseRequests;
    int pairs; // the placeholder pair, once or more
    int searchRequests;
    int rows;
    std::vector<std::pair<const char*, int>> lineCounts; // log line -> how often
    const char* lastHouseProgress = nullptr;             // the house bar as the run leaves it
    QStringList lost = {}; // the record's lost page lines: pair, page and rows before it
};

void PrintTo(const PagingCase& c, std::ostream* os) {
    *os << c.name;
}

class HarvestPagingTest : public testing::TestWithParam<PagingCase> {};

TEST_P(HarvestPagingTest, PagesAreAskedForAndEndedByTheRules) {
    const PagingCase& c = GetParam();
    SimulatedPortal portal(Rules(c.rules));
    HarvestJobRun run({}, QString::fromUtf8(c.region));
    run.window.pageSize = c.pageSize;
    run.window.coordinates = run.window.passports = run.window.cards = c.houseRequests;
    for (int pair = 1; pair < c.pairs; ++pair) {
        run.worker.CitiesNamesList.append(QStringLiteral("Не задан"));
        run.worker.CitiesCodesList.append(QString());
    }
    run.worker.Execute();

    EXPECT_EQ(portal.Count(QStringLiteral("search")), c.searchRequests);
    EXPECT_EQ(run.Rows().size(), c.rows);
    const QStringList lines = run.window.LogLines();
    for (const auto& [line, count] : c.lineCounts)
        EXPECT_EQ(lines.count(QString::fromUtf8(line)), count) << line;
    const QStringList calls = run.window.Calls();
    EXPECT_EQ(calls.last(), QStringLiteral("state: end"));
    if (c.lastHouseProgress != nullptr) {
        EXPECT_EQ(calls.filter(QRegularExpression(QStringLiteral("^house: "))).last(),
                  QString::fromUtf8(c.lastHouseProgress));
    }
    QFile record(run.folder.Path() + QLatin1Char('/') +
                 QDir(run.folder.Path()).entryList({QStringLiteral("data*.run")}).value(0));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(record.readAll())
                  .split(u'\n')
                  .filter(QRegularExpression(QStringLiteral("^lost "))),
              c.lost);
}

INSTANTIATE_TEST_SUITE_P(
    Paging, HarvestPagingTest,
    testing::Values(
        PagingCase{"TotalZero", "empty", "", 100, true, 1, 1, 0, {{"Найдено домов: 0", 1}}},
        PagingCase{"TwentyBlankAnswers",
                   "small",
                   R"({"endpoint": "search", "fault": "whitespace_body"})",
                   100,
                   true,
                   1,
                   20,
                   0,
                   {{"Загружаем страницу 1 на 100 домов", 20},
                    {"Сайт не выдал никаких данных, повторяем запрос...", 20},
                    {"Найдено домов: ", 0},
                    {"Ошибка: страница 1 не загрузилась, дома с нее не загружены", 1}},
                   nullptr,
                   {QStringLiteral("lost 0 0 1 0")}},
        PagingCase{"NotFoundOnPageOne",
                   "small",
                   R"({"endpoint": "search", "fault": "status", "status": 404})",
                   100,
                   true,
                   1,
                   1,
                   0,
                   {{"Найдено домов: ", 0}}},
        PagingCase{"ClosedOnPageFive",
                   "small",
                   R"({"endpoint": "search", "requests": [5], "fault": "close_before_status"})",
                   1,
                   false,
                   1,
                   9,
                   8,
                   {{"Загружаем страницу 5 на 1 домов", 2},
                    {"Включилась блокировка, делаем паузу 3 минуты", 1}}},
        // Page 20 closed is lost at once; the pair pages on until a page lists nobody.
        PagingCase{"ClosedOnPageTwenty",
                   "thousand",
                   R"({"endpoint": "search", "requests": [20], "fault": "close_before_status"})",
                   10,
                   false,
                   1,
                   101,
                   990,
                   {{"Включилась блокировка, делаем паузу 3 минуты", 0},
                    {"Ошибка: страница 20 не загрузилась, дома с нее не загружены", 1}},
                   nullptr,
                   {QStringLiteral("lost 0 0 20 190")}},
        // A page that does not parse, or an HTML page in its place, is asked for again.
        PagingCase{"CutShortPageOfALaterPairAskedAgain",
                   "small",
                   R"({"endpoint": "search", "requests": [2], "fault": "truncated_json"})",
                   100,
                   false,
                   2,
                   3,
                   16,
                   {{"Ошибка: ERROR_страница 1 пришла не полностью или не в формате JSON", 1},
                    {"Ошибка: страница 1 пришла не полностью или не в формате JSON, дома с нее не "
                     "загружены",
                     0}}},
        PagingCase{"HtmlInPlaceOfPageTwoAskedAgain",
                   "small",
                   R"({"endpoint": "search", "requests": [2], "fault": "html_200"})",
                   3,
                   false,
                   1,
                   4,
                   8,
                   {{"Включаем паузу на 15 секунд", 1}}},
        PagingCase{
            "SecondPageOfTenCutShortThreeTimes",
            "thousand",
            R"({"endpoint": "search", "requests": [2, 3, 4], "fault": "truncated_json"})",
            100,
            false,
            1,
            13,
            1000,
            {{"Загружаем страницу 2 на 100 домов", 4}, {"Загружаем страницу 11 на 100 домов", 0}}},
        // Twenty times cut short: that page's houses are lost, the pair pages on by its total.
        PagingCase{"PageTwoLostThePairGoesOn",
                   "small",
                   R"({"endpoint": "search", "requests": [2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,
                       18,19,20,21], "fault": "truncated_json"})",
                   3,
                   false,
                   1,
                   23,
                   5,
                   {{"Ошибка: страница 2 пришла не полностью или не в формате JSON, дома с нее не "
                     "загружены",
                     1},
                    {"Загружаем страницу 3 на 3 домов", 1}},
                   nullptr,
                   {QStringLiteral("lost 0 0 2 3")}},
        // A lost first page of the second pair: its house bar starts from nothing.
        PagingCase{"PageOneOfALaterPairLost",
                   "small",
                   R"({"endpoint": "search", "requests": [2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,
                       18,19,20,21], "fault": "truncated_json"})",
                   100,
                   false,
                   2,
                   21,
                   8,
                   {{"Ошибка: страница 1 пришла не полностью или не в формате JSON, дома с нее не "
                     "загружены",
                     1},
                    {"Найдено домов: 8", 1}},
                   "house: 0/0",
                   {QStringLiteral("lost 1 0 1 8")}}),
    [](const testing::TestParamInfo<PagingCase>& info) { return std::string(info.param.name); });

TEST(HarvestEdgeTest, PairsFollowTheListsAndShowTheirStage) {
    SimulatedPortal portal;
    HarvestJobRun run;
    run.window.coordinates = run.window.passports = run.window.cards = false;
    const QJsonArray cities = Cities(run);
    run.worker.CitiesNamesList.clear();
    run.worker.CitiesCodesList.clear();
    for (const QJsonValue& city : cities) {
        run.worker.CitiesNamesList.append(city.toObject().value(QStringLiteral("name")).toString());
        run.worker.CitiesCodesList.append(city.toObject().value(QStringLiteral("code")).toString());
    }
    ASSERT_EQ(cities.size(), 3);
    run.worker.Execute();
    EXPECT_EQ(run.window.Calls().filter(QStringLiteral("stage: ")),
              (QStringList{QStringLiteral("stage: 1/3"), QStringLiteral("stage: 2/3"),
                           QStringLiteral("stage: 3/3"), QStringLiteral("stage: 0/3")}));
    EXPECT_EQ(run.Rows().size(), 8);
    EXPECT_EQ(portal.Count(QStringLiteral("map")), 0);
}

// Where a stop is seen: the worker's state when the test asks for the stop, and what has been
// requested by then.
TEST(HarvestEdgeTest, StopIsSeenInTheIntervalWaitAndTheBlockPause) {
    {
        SimulatedPortal portal;
        HarvestJobRun run;
        run.window.interval = 2;
        run.window.onLog = [&](const QString& message) {
            if (message.startsWith(QStringLiteral("Найдено домов")))
                run.clock.onSleep = [&](std::uint64_t) { run.worker.RequestStop(); };
        };
        run.worker.Execute();
        EXPECT_EQ(portal.Count(QStringLiteral("map")), 0);
        // 2 s before the search, then one 100 ms step of the house's wait before the stop is seen.
        EXPECT_EQ(run.clock.Slept(), 2100u);
        EXPECT_EQ(run.window.Calls().last(), QStringLiteral("state: end"));
    }
    {
        SimulatedPortal portal(Rules(R"({"endpoint": "search", "fault": "close_before_status"})"));
        HarvestJobRun run;
        run.clock.onSleep = [&](std::uint64_t slept) {
            if (slept >= 5000)
                run.worker.RequestStop();
        };
        run.worker.Execute();
        EXPECT_EQ(portal.Count(QStringLiteral("search")), 1);
        EXPECT_EQ(run.clock.Slept(), 5000u);
    }
}

TEST(HarvestEdgeTest, HouseRequestsFollowTheirOptionsAndAttempts) {
    SimulatedPortal portal(Rules(
        R"({"endpoint": "map", "requests": [1], "fault": "status", "status": 404},
           {"endpoint": "card", "requests": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20],
            "fault": "delay", "seconds": 30})"));
    HarvestJobRun run;
    run.window.passports = false;
    run.worker.ReadTimeoutMs = 150;
    run.worker.Execute();

    EXPECT_EQ(run.Rows().size(), 8);
    EXPECT_EQ(portal.Count(QStringLiteral("passport")), 0);
    EXPECT_EQ(portal.Count(QStringLiteral("map")), 8);
    EXPECT_EQ(portal.Count(QStringLiteral("card")), 20 + 7);
    EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Загружаем паспорт")), 0);
    EXPECT_EQ(run.window.LogLines().count(QStringLiteral("Ошибка: ERROR_Read timed out.")), 20);
    // Twenty failed card attempts: the 10 s sleep and the 15 s error pause each time.
    EXPECT_EQ(run.clock.Slept(), 20u * 25000u);
}

TEST(HarvestEdgeTest, AHeldWorkerStopsWhenAskedAndTheImmediateStopCutsARequestShort) {
    {
        SimulatedPortal portal(
            Rules(R"({"endpoint": "map", "requests": [1], "fault": "status", "status": 503})"));
        HarvestJobRun run;
        run.window.holdOnPause = true;
        std::thread worker([&] { run.worker.Execute(); });
        for (int i = 0; i < 3000 && !run.worker.IsHeld(); ++i)
            QThread::msleep(10);
        EXPECT_TRUE(run.worker.IsHeld()); // released or stopped below all the same
        run.worker.RequestStop();
        worker.join();
        EXPECT_EQ(run.Rows().size(), 0);
        EXPECT_EQ(portal.Count(QStringLiteral("map")), 1);
    }
    {
        // Paused just after a request's line, then stopped: the request is not sent.
        SimulatedPortal portal;
        HarvestJobRun run;
        run.window.onLog = [&](const QString& message) {
            if (message.startsWith(QStringLiteral("Загружаем координаты")))
                run.worker.Hold();
        };
        std::thread worker([&] { run.worker.Execute(); });
        for (int i = 0; i < 3000 && !run.worker.IsHeld(); ++i)
            QThread::msleep(10);
        run.worker.RequestStop();
        worker.join();
        EXPECT_EQ(portal.Count(QStringLiteral("map")), 0);
        EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Загружаем")), 2);
    }
    {
        SimulatedPortal portal(Rules(R"({"endpoint": "search", "fault": "delay", "seconds": 60})"));
        HarvestJobRun run;
        run.worker.ConvertsWorkbook = true; // skipped all the same: the program is leaving
        std::thread worker([&] { run.worker.Execute(); });
        for (int i = 0; i < 3000 && portal.Count(QStringLiteral("search")) == 0; ++i)
            QThread::msleep(10);
        QElapsedTimer stopping;
        stopping.start();
        run.worker.StopNow();
        worker.join();
        // Well short of the 60 s the answer would take (about 0.1 s when the machine is idle).
        EXPECT_LT(stopping.elapsed(), 30000);
        EXPECT_EQ(run.window.Calls().last(), QStringLiteral("state: end"));
        EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Ошибка: ")), 0);
        EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Запускаем формирование")), 0);
        EXPECT_EQ(run.Rows().size(), 0);
    }
}

// The faults the worker mends: each scenario would have lost rows, asked in vain or ended
// without a word.
TEST(HarvestEdgeTest, FullDiskEndsTheRunWithWholeRows) {
    SimulatedPortal portal;
    HarvestJobRun run;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 12 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    run.worker.Execute();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    const QStringList rows = run.Rows();
    EXPECT_GT(rows.size(), 0);
    EXPECT_LT(rows.size(), 8);
    for (const QString& row : rows)
        EXPECT_EQ(row.count(QLatin1Char('\t')), 100);
    EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Ошибка: Cannot write file")), 1);
    EXPECT_EQ(portal.Count(QStringLiteral("card")), rows.size() + 1);
    EXPECT_TRUE(run.worker.Failed());
}

TEST(HarvestEdgeTest, PassportsThatCannotBeSavedAreNotAskedForAgain) {
    {
        SimulatedPortal portal;
        HarvestJobRun run;
        QFile blocker(run.folder.Path() + QStringLiteral("/json"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        run.window.savePassports = true;
        run.worker.Execute();
        EXPECT_EQ(portal.Count(QStringLiteral("passport")), 8);
        EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Ошибка: не удалось создать папку ")), 1);
        EXPECT_FALSE(run.Rows().value(0).section(QLatin1Char('\t'), 25, 25).isEmpty());
    }
    {
        const QByteArray item = R"({"total": 1, "items": [{"guid": "../evil"}]})";
        const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                  "Content-Length: " +
                                  QByteArray::number(item.size()) + "\r\n\r\n" + item;
        SimulatedPortal portal(
            QStringLiteral(R"({"rules": [{"endpoint": "search", "fault": "raw",
                 "response_base64": "%1"}, {"endpoint": "passport", "fault": "raw",
                 "response_base64": "%2"}]})")
                .arg(QString::fromLatin1(answer.toBase64()),
                     QString::fromLatin1(
                         QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}").toBase64())));
        HarvestJobRun run;
        run.window.savePassports = true;
        run.worker.Execute();
        EXPECT_EQ(portal.Count(QStringLiteral("passport")), 1);
        EXPECT_EQ(run.LinesStartingWith(QStringLiteral("Ошибка: паспорт дома \"../evil\"")), 1);
        EXPECT_EQ(run.Rows().size(), 1);
    }
}

TEST(HarvestEdgeTest, ALogFileThatCannotBeSavedDoesNotStopTheEndSteps) {
    SimulatedPortal portal;
    HarvestJobRun run;
    run.window.coordinates = run.window.passports = run.window.cards = false;
    run.window.failEndReport = true;
    run.worker.ConvertsWorkbook = true;
    run.worker.Execute();
    EXPECT_EQ(run.Rows().size(), 8);
    EXPECT_TRUE(run.window.LogLines().contains(QStringLiteral("Файл сформирован, в нем 9 строк")));
}

} // namespace
