// Pacing, pauses, option reads and stop points of a run, each a row: the fake portal's faults, the
// options, a hook on the log, and what the fake clock and the portal saw.
#include "HarvestJobRun.h"

#include <functional>

namespace {

struct TimingCase {
    const char* name;
    const char* rules;
    int interval;
    bool houseRequests;
    int pairs;
    std::function<void(HarvestJobRun&, const QString& message)> onLog;
    std::uint64_t slept;
    int searches;
    int maps;
    std::vector<std::pair<const char*, int>> callCounts; // calls beginning so -> how many
};

void PrintTo(const TimingCase& c, std::ostream* os) {
    *os << c.name;
}

class HarvestTimingTest : public testing::TestWithParam<TimingCase> {};

TEST_P(HarvestTimingTest, PacingPausesAndStopPoints) {
    const TimingCase& c = GetParam();
    SimulatedPortal portal(QStringLiteral("{\"rules\": [%1]}").arg(QString::fromUtf8(c.rules)));
    HarvestJobRun run;
    run.window.interval = c.interval;
    run.window.pageSize = 4;
    run.window.coordinates = run.window.passports = run.window.cards = c.houseRequests;
    for (int pair = 1; pair < c.pairs; ++pair) {
        run.worker.StreetsNamesList.append(QStringLiteral("Не задан"));
        run.worker.StreetsCodesList.append(QString());
    }
    if (c.onLog)
        run.window.onLog = [&](const QString& message) { c.onLog(run, message); };
    run.worker.Execute();

    EXPECT_EQ(run.clock.Slept(), c.slept);
    EXPECT_EQ(portal.Count(QStringLiteral("search")), c.searches);
    EXPECT_EQ(portal.Count(QStringLiteral("map")), c.maps);
    const QStringList calls = run.window.Calls();
    for (const auto& [prefix, count] : c.callCounts) {
        const QString text = QString::fromUtf8(prefix);
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [&](const QString& call) { return call.startsWith(text); }),
                  count)
            << prefix;
    }
    EXPECT_EQ(calls.last(), QStringLiteral("state: end"));
}

// Every request takes half a second of the fake clock.
void SlowRequests(HarvestJobRun& run, const QString& message) {
    if (message.startsWith(QStringLiteral("Загружаем")))
        run.clock.Advance(500);
}

const char* const kSearch500 = R"({"endpoint": "search", "fault": "status", "status": 500})";

INSTANTIATE_TEST_SUITE_P(
    Timing, HarvestTimingTest,
    testing::Values(
        // 2 pages and 8 houses of 3 requests: each waits a whole interval after the previous
        // request ended, not after it began.
        TimingCase{"IntervalCountsFromTheEndOfARequest",
                   "",
                   2,
                   true,
                   1,
                   SlowRequests,
                   26u * 2000u,
                   2,
                   8,
                   {}},
        // A blank answer is retried at once: the failed attempt left the last success alone.
        TimingCase{"FailedAttemptKeepsTheLastSuccess",
                   R"({"endpoint": "search", "requests": [1], "fault": "whitespace_body"})",
                   2,
                   false,
                   1,
                   SlowRequests,
                   2u * 2000u,
                   3,
                   0,
                   {}},
        // A failed page: the 15 s error pause, then its interval wait, already over.
        TimingCase{"PageFailurePause",
                   R"({"endpoint": "search", "requests": [1], "fault": "status", "status": 500})",
                   2,
                   false,
                   1,
                   nullptr,
                   2000u + 15000u + 2000u,
                   3,
                   0,
                   {{"log: Ошибка: ERROR_", 1}, {"timer", 1}}},
        // A failed house request: the error pause and the 10 s sleep.
        TimingCase{"HouseFailurePause",
                   R"({"endpoint": "map", "requests": [1], "fault": "status", "status": 500})",
                   0,
                   true,
                   1,
                   nullptr,
                   15000u + 10000u,
                   2,
                   9,
                   {{"log: Ошибка: ERROR_", 1}}},
        TimingCase{"TwentyFailedPages",
                   kSearch500,
                   0,
                   false,
                   1,
                   nullptr,
                   20u * 15000u,
                   20,
                   0,
                   {{"log: Ошибка: ERROR_", 20},
                    {"log: Найдено домов: ", 0},
                    {"log: Ошибка: страница 1 не загрузилась, дома с нее не загружены", 1}}},
        // A connection closed on a house request: only the 10 s sleep.
        TimingCase{"ClosedOnAHouseRequest",
                   R"({"endpoint": "map", "requests": [1], "fault": "close_before_status"})",
                   0,
                   true,
                   1,
                   nullptr,
                   10000u,
                   2,
                   9,
                   {{"log: Ошибка", 0}, {"log: Включилась блокировка", 0}, {"timer", 0}}},
        // A failure outside the requests' attempts: said, paused, progress reset, no more pairs.
        TimingCase{"FailureOutsideTheAttempts",
                   "",
                   0,
                   false,
                   2,
                   [](HarvestJobRun&, const QString& message) {
                       if (message.startsWith(QStringLiteral("Начинаем выгрузку")))
                           throw MessageError(QStringLiteral("broken"));
                   },
                   15000u,
                   0,
                   0,
                   {{"log: Ошибка: ERROR_broken", 1},
                    {"house: 0/0", 1},
                    {"stage: 0/2", 1},
                    {"log: Начинаем выгрузку", 1}}},
        // The interval is read for every page, the page size once for the pair.
        TimingCase{"OptionsChangedDuringAPage",
                   "",
                   0,
                   true,
                   1,
                   [](HarvestJobRun& run, const QString& message) {
                       if (message.startsWith(QStringLiteral("Найдено домов"))) {
                           run.window.interval = 1;
                           run.window.pageSize = 100;
                       }
                   },
                   13u * 1000u,
                   2,
                   8,
                   {{"log: Загружаем страницу 2 на 4 домов", 1}}},
        TimingCase{"NotFoundOnPageOneTheNextPairRuns",
                   R"({"endpoint": "search", "requests": [1], "fault": "status", "status": 404})",
                   0,
                   false,
                   2,
                   nullptr,
                   0u,
                   3,
                   0,
                   {{"log: Начинаем выгрузку", 2}}},
        // Stop points: after set-up, and at the start of a pair whose last request was a 404.
        TimingCase{"StopAfterSetUp",
                   "",
                   0,
                   false,
                   2,
                   [](HarvestJobRun& run, const QString& message) {
                       if (message.startsWith(QStringLiteral("Данные будут")))
                           run.worker.RequestStop();
                   },
                   0u,
                   0,
                   0,
                   {{"stage: 1/2", 0}, {"log: Начинаем выгрузку", 0}}},
        TimingCase{"StopDuringAPairAnsweredNotFound",
                   R"({"endpoint": "search", "requests": [1], "fault": "status", "status": 404})",
                   0,
                   false,
                   2,
                   [](HarvestJobRun& run, const QString& message) {
                       if (message.startsWith(QStringLiteral("Загружаем страницу")))
                           run.worker.RequestStop();
                   },
                   0u,
                   1,
                   0,
                   {{"stage: 2/2", 1}, {"log: Начинаем выгрузку", 1}}}),
    [](const testing::TestParamInfo<TimingCase>& info) { return std::string(info.param.name); });

} // namespace
