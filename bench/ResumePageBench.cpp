// Continuing a run that stopped deep in one pair: the search requests and the time before the
// first house request of the continuation. The pair is the first city of the fake portal's
// "Миллионная обл" (100,000 houses, pages of 100) with the table holding its first 90,861 houses
// (the records tests' sample row with each house's own guid: only the guids are compared) and a
// record without a finished pair, as a kill leaves them. The continuation runs at interval 0
// (the fake portal answers at once) twice: going straight to the page where the run stopped, and
// beside it the same build paging the pair from page 1. The time at the default pace of 2 s is
// the measured time plus one interval before each search request after the first and before the
// house request.
//
// clang-format off
//   cmake -S . -B build/h-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-bench --target resume_page_bench
//   build/h-bench/bench/resume_page_bench
// clang-format on
#include "SampleRow.h"
#include "SimulatedPortal.h"
#include "WarmPortal.h"
#include "base/Clock.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "portal/PortalAnswers.h"
#include "records/OutputTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kWritten = 90861;
constexpr int kPageSize = 100;
constexpr double kDefaultIntervalSeconds = 2;

// The first `count` houses the pair lists, in its order, asked in pages of 1000.
QStringList ListedGuids(const RunJob& job, int count) {
    PortalClient client(ClientProfile::Worker);
    QStringList guids;
    for (int page = 1; guids.size() < count && page <= count / 1000 + 1; ++page) {
        ApplyPostSettings(client);
        const SearchPageAnswer answer(client.Post(
            HouseSearchUrl(page, 1000), SearchBody(job.regionCode, job.cityCodes[0], QString())));
        const JsonArray* items = answer.Items();
        for (std::size_t k = 0; items && k < items->size() && guids.size() < count; ++k)
            guids.append(HouseGuid(&(*items)[k]));
    }
    if (guids.size() != count)
        throw std::runtime_error("the pair lists fewer houses than asked for");
    return guids;
}

// The window of the continuation: counts the search requests and stops the run at its first
// house request.
class CountingWindow final : public RunWindow {
public:
    Scraper* worker = nullptr;
    QElapsedTimer timer;
    int searches = 0;
    double firstHouseSeconds = -1;

    void AddLogLine(const QString& message) override {
        if (message.startsWith(QStringLiteral("Загружаем страницу")))
            ++searches;
        if (firstHouseSeconds < 0 && message.startsWith(QStringLiteral("Загружаем координаты"))) {
            firstHouseSeconds = double(timer.nsecsElapsed()) / 1e9;
            worker->RequestStop();
        }
    }
    void ShowRunState(bool) override {}
    void ShowHouseProgress(int, int) override {}
    void ShowStageProgress(int, int) override {}
    void PauseAfterError(Scraper&, const QString& result) override {
        std::fprintf(stderr, "request error: %s\n", qPrintable(result));
    }
    void ArmResumeTimer() override {}
    int IntervalSeconds() const override { return 0; }
    int PageSize() const override { return kPageSize; }
    bool SavePassports() const override { return false; }
    bool RequestCoordinates() const override { return true; }
    bool RequestPassports() const override { return true; }
    bool RequestCards() const override { return true; }
    void OpenWorkbook(const QString&) override {}
};

void Continue(const RunJob& job, const QString& stopped, bool atStopPage) {
    QTemporaryDir folder;
    const QString path = folder.path() + QLatin1Char('/');
    for (const QString& name : {QStringLiteral("data1.tab"), QStringLiteral("data1.run")})
        QFile::copy(stopped + name, path + name);
    CountingWindow window;
    Scraper worker(window, path, SystemClock::Instance());
    window.worker = &worker;
    worker.RegionCode = job.regionCode;
    worker.RegionName = job.regionName;
    worker.CitiesNamesList = job.cityNames;
    worker.CitiesCodesList = job.cityCodes;
    worker.StreetsNamesList = job.streetNames;
    worker.StreetsCodesList = job.streetCodes;
    worker.ContinuedRecord = path + QStringLiteral("data1.run");
    worker.ConvertsWorkbook = false;
    worker.ResumesAtStopPage = atStopPage;
    window.timer.start();
    worker.Execute();
    std::printf("%-28s search requests %4d   before the first house: %7.2f s at interval 0, "
                "%8.1f s at 2 s\n",
                atStopPage ? "from the stop page" : "from page 1 (switched off)", window.searches,
                window.firstHouseSeconds,
                window.firstHouseSeconds + window.searches * kDefaultIntervalSeconds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const auto portal = StartWarmPortal();
    const QJsonObject region = SimulatedPortal::DescribeRegion(QStringLiteral("big"));
    const QJsonObject city = region.value(QStringLiteral("cities")).toArray()[0].toObject();
    const RunJob job{region.value(QStringLiteral("code")).toString(),
                     region.value(QStringLiteral("name")).toString(),
                     {city.value(QStringLiteral("name")).toString()},
                     {city.value(QStringLiteral("code")).toString()},
                     {QStringLiteral("Не задан")},
                     {QString()},
                     kPageSize,
                     true,
                     true,
                     true,
                     false};

    QTemporaryDir stopped;
    const QString path = stopped.path() + QLatin1Char('/');
    const QStringList sample = SampleRow();
    OutputTable table(path, 1u);
    table.Open();
    for (const QString& guid : ListedGuids(job, kWritten)) {
        QStringList fields = sample;
        fields[0].replace(QStringLiteral("5e3c1b0a-7f0d-4a2b-9c3e-1d2f3a4b5c6d"), guid);
        table.AppendRow(fields);
    }
    table.Close();
    RunRecord::Create(path + QStringLiteral("data1.run"), QStringLiteral("data1.tab"), job);

    std::printf("one pair of %d houses, %d in the table, pages of %d\n",
                city.value(QStringLiteral("houses")).toInt(), kWritten, kPageSize);
    Continue(job, path, true);
    Continue(job, path, false);
    return 0;
}
