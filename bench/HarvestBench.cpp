// A harvest at interval 0 of the fake portal's demo region (20,000 houses, one search over the
// region at page size 100, coordinates, passport and card of every house): houses per second,
// CPU milliseconds per house and the process's memory after 2,000 houses and at the end. Beside
// it, in the same run against the same fake portal, a bare libcurl loop replaying the same
// request sequence (search pages as HTTP/1.0 POSTs on new connections; per house the map GET,
// the passport POST on a new connection and the card GET, GETs on the kept-alive connection as
// the program sends them): the practical limit that the fake portal sets.
//
// clang-format off
//   cmake -S . -B build/h-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-bench -j2 --target harvest_bench
//   build/h-bench/bench/harvest_bench --benchmark_repetitions=3
//       --benchmark_enable_random_interleaving=true    (one command line)
// clang-format on
// HARVEST_BENCH_HOUSES=<n> runs a smaller region (a quick look; the figures are for 20,000).
#include "PortalSimProcess.h"
#include "ProcessStatus.h"
#include "WarmPortal.h"
#include "base/Clock.h"
#include "base/MessageError.h"
#include "harvest/ErrorPause.h"
#include "harvest/LogFile.h"
#include "harvest/LogLine.h"
#include "harvest/RunLogFile.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "http/PortalClient.h"
#include "portal/PortalAnswers.h"
#include "portal/PortalApi.h"
#include "portal/PortalOrigin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int Houses() {
    static const int houses = [] {
        const int asked = qEnvironmentVariableIntValue("HARVEST_BENCH_HOUSES");
        return asked > 0 ? asked : 20000;
    }();
    return houses;
}
int EarlyHouses() {
    return Houses() / 10; // 2,000 of 20,000
}

// ----- measuring -------------------------------------------------------------------------------

// From here on the peak ("VmHWM") counts from the resident memory of now. Memory that earlier
// runs freed goes back to the system first.
void ResetPeakMemory() {
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// When the first run began (to tell the order of the runs).
double ProcessStart() {
    static const double start = WallSeconds();
    return start;
}

// The fake portal's process: the child of this one (the interpreter that the start command
// became).
pid_t PortalPid() {
    static const pid_t pid = [] {
        const QString self = QString::number(getpid());
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
            if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = stat.readAll();
            // after "(name)": state, then the parent's pid
            const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && QString::fromLatin1(fields[1]) == self &&
                text.contains("python"))
                return pid_t(entry.toInt());
        }
        return pid_t(0);
    }();
    return pid;
}

// CPU seconds that the fake portal has used so far, all its threads.
double PortalCpuSeconds() {
    QFile stat(QStringLiteral("/proc/") + QString::number(PortalPid()) + QStringLiteral("/stat"));
    if (PortalPid() == 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are the 14th and 15th fields of the line, the 12th and 13th after the name
    return fields.size() > 12
               ? (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK))
               : 0;
}

// Where a run stands after some houses.
struct Mark {
    double wall = 0;
    double cpu = 0;
    double portalCpu = 0;
    double rssKiB = 0;
    double peakKiB = 0;

    static Mark Now() {
        return {WallSeconds(), CpuSeconds(), PortalCpuSeconds(), StatusKiB("VmRSS:"),
                StatusKiB("VmHWM:")};
    }
};

// A run from its start through the mark after EarlyHouses() houses to its end.
struct RunMarks {
    Mark start;
    Mark early;
    Mark end;
    int houses = 0;
};

void Report(benchmark::State& state, const RunMarks& marks) {
    const double houses = marks.houses;
    const double early = EarlyHouses();
    state.counters["houses"] = houses;
    state.counters["houses_per_s"] = houses / (marks.end.wall - marks.start.wall);
    state.counters["cpu_ms_per_house"] = 1000 * (marks.end.cpu - marks.start.cpu) / houses;
    state.counters["portal_cpu_ms_per_house"] =
        1000 * (marks.end.portalCpu - marks.start.portalCpu) / houses;
    state.counters["early_houses_per_s"] = early / (marks.early.wall - marks.start.wall);
    state.counters["started_s"] = marks.start.wall - ProcessStart();
    state.counters["rss_before_MiB"] = marks.start.rssKiB / 1024;
    state.counters["rss_early_MiB"] = marks.early.rssKiB / 1024;
    state.counters["peak_early_MiB"] = marks.early.peakKiB / 1024;
    state.counters["rss_end_MiB"] = marks.end.rssKiB / 1024;
    state.counters["peak_end_MiB"] = marks.end.peakKiB / 1024;
    // What every house after the early mark added to the process.
    state.counters["rss_B_per_house"] =
        1024 * (marks.end.rssKiB - marks.early.rssKiB) / (houses - early);
}

// ----- the fake portal -------------------------------------------------------------------------

const PortalSimProcess& Portal() {
    static const std::unique_ptr<PortalSimProcess> portal =
        StartWarmPortal({QStringLiteral("--demo-count"), QString::number(Houses())});
    return *portal;
}

QString DemoRegionCode() {
    static const QString code = [] {
        PortalClient client(ClientProfile::Directory);
        for (const DirectoryItem& item : ReadDirectoryItems(client.Get(RegionsUrl())))
            if (item.formalName == u"Показательный")
                return item.aoGuid;
        throw std::runtime_error("no demo region in the regions answer");
    }();
    return code;
}

// The requests and connections that the fake portal logged since `from` (a byte offset of its
// request log), and the log's size.
struct PortalCounts {
    qint64 end = 0;
    int requests = 0;
    int connections = 0;
    int failed = 0; // answers with an "error" member, or requests of kind "other"
};

PortalCounts CountRequests(qint64 from) {
    PortalCounts counts;
    QFile log(Portal().LogPath());
    if (!log.open(QIODevice::ReadOnly) || !log.seek(from))
        return counts;
    std::set<int> connections;
    // line by line: the whole log at once would leave its size in the process's memory
    while (!log.atEnd()) {
        const QByteArray line = log.readLine(1 << 20);
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        ++counts.requests;
        connections.insert(entry.value(QStringLiteral("conn")).toInt());
        counts.failed += entry.contains(QStringLiteral("error")) ||
                         entry.value(QStringLiteral("endpoint")).toString() == u"other";
    }
    counts.connections = int(connections.size());
    counts.end = log.size();
    return counts;
}

qint64 LogSize() {
    return QFileInfo(Portal().LogPath()).size();
}

void ReportPortal(benchmark::State& state, qint64 from) {
    const PortalCounts counts = CountRequests(from);
    state.counters["requests"] = counts.requests;
    state.counters["connections"] = counts.connections;
    if (counts.failed > 0)
        state.SkipWithError("the fake portal logged malformed requests");
}

// ----- the harvest -----------------------------------------------------------------------------

// The window as the headless command keeps it: every log line formatted with its local date and
// time and appended to the run's log file as it comes; progress only noted. It marks the
// run after EarlyHouses() houses and at the end report.
class BenchWindow : public RunWindow {
public:
    BenchWindow(QString directory, RunMarks& marks)
        : directory_(std::move(directory)), marks_(marks) {}

    void AddLogLine(const QString& message) override {
        const std::lock_guard lock(mutex_);
        Append(message);
    }
    void ShowRunState(bool start) override {
        const std::lock_guard lock(mutex_);
        if (start) {
            logFile_.Begin(directory_, SystemClock::Instance().TickCount());
            Append(QStringLiteral("Начинаем работу."));
            return;
        }
        marks_.end = Mark::Now();
        Append(QStringLiteral("Работа завершена"));
        const QString name = LogFileName(SystemClock::Instance().TickCount());
        Append(QStringLiteral("Лог записан в файл ") + name);
        logFile_.Finish(name);
    }
    void ShowHouseProgress(int, int position) override {
        const std::lock_guard lock(mutex_);
        if (position == EarlyHouses() + 1) // the early houses' rows are written
            marks_.early = Mark::Now();
        if (position > marks_.houses)
            marks_.houses = position;
    }
    void ShowStageProgress(int, int) override {}
    void PauseAfterError(Scraper&, const QString& result) override {
        if (!QualifiesForErrorPause(result))
            return;
        ++errors;
        AddLogLine(QStringLiteral("Ошибка: ") + result);
    }
    void ArmResumeTimer() override {}

    int IntervalSeconds() const override { return 0; }
    int PageSize() const override { return 100; }
    bool SavePassports() const override { return false; }
    bool RequestCoordinates() const override { return true; }
    bool RequestPassports() const override { return true; }
    bool RequestCards() const override { return true; }
    void OpenWorkbook(const QString&) override {}

    int errors = 0;

private:
    void Append(const QString& message) {
        if (const QString failure = logFile_.Append(FormatLogLine(message)); !failure.isEmpty())
            throw MessageError(failure);
    }

    QString directory_;
    RunMarks& marks_;
    std::mutex mutex_;
    RunLogFile logFile_;
};

void BM_Harvest(benchmark::State& state) {
    Portal();
    const QString region = DemoRegionCode();
    const qint64 logFrom = LogSize();
    RunMarks marks;
    int errors = 0;
    bool failed = false;
    for (auto _ : state) {
        state.PauseTiming();
        TemporaryFolder folder;
        BenchWindow window(folder.Path() + QStringLiteral("/"), marks);
        Scraper worker(window, folder.Path() + QStringLiteral("/"), SystemClock::Instance());
        worker.RegionCode = region;
        worker.RegionName = QStringLiteral("Показательный край");
        worker.CitiesNamesList = {QStringLiteral("Не задан")};
        worker.CitiesCodesList = {QString()};
        worker.StreetsNamesList = {QStringLiteral("Не задан")};
        worker.StreetsCodesList = {QString()};
        worker.ConvertsWorkbook = false;
        ResetPeakMemory();
        marks.start = Mark::Now();
        state.ResumeTiming();
        worker.Execute();
        state.PauseTiming();
        errors = window.errors;
        failed = worker.Failed();
        state.ResumeTiming();
    }
    if (failed || errors > 0 || marks.houses != Houses())
        state.SkipWithError("the harvest did not visit every house without an error");
    Report(state, marks);
    ReportPortal(state, logFrom);
}
BENCHMARK(BM_Harvest)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// ----- the libcurl replay ----------------------------------------------------------------------

size_t Collect(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// One easy handle, at most one connection kept, as the program's client: a POST goes out as
// HTTP/1.0 on a new connection (resuming the TLS session, libcurl's default), a GET as HTTP/1.1
// on the connection that the last answer left open. The header lines are the program's.
class CurlReplay {
public:
    CurlReplay() : handle_(curl_easy_init()) {
        if (handle_ == nullptr)
            throw std::runtime_error("curl_easy_init failed");
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(handle_, CURLOPT_SSLVERSION,
                         long(CURL_SSLVERSION_DEFAULT) | long(CURL_SSLVERSION_MAX_TLSv1_2));
        curl_easy_setopt(handle_, CURLOPT_MAXCONNECTS, 1L);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &body_);
        curl_easy_setopt(handle_, CURLOPT_USERAGENT,
                         "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, "
                         "like Gecko) Chrome/69.0.3497.100 Safari/537.36");
        referer_ = PortalOrigin().toUtf8();
        curl_easy_setopt(handle_, CURLOPT_REFERER, referer_.constData());
        for (const char* line :
             {"Connection: keep-alive", "Content-Type: application/json; charset=UTF-8",
              "Request-GUID: 00000000-0000-0000-0000-000000000000", "Session-GUID: 0",
              "Accept: text/html, */*"})
            headers_ = curl_slist_append(headers_, line);
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
    }
    ~CurlReplay() {
        curl_easy_cleanup(handle_);
        curl_slist_free_all(headers_);
    }
    CurlReplay(const CurlReplay&) = delete;
    CurlReplay& operator=(const CurlReplay&) = delete;

    const std::string& Post(const QString& url, const QString& body) {
        const QByteArray urlBytes = url.toUtf8();
        const QByteArray bodyBytes = body.toUtf8();
        curl_easy_setopt(handle_, CURLOPT_URL, urlBytes.constData());
        curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
        curl_easy_setopt(handle_, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE, long(bodyBytes.size()));
        curl_easy_setopt(handle_, CURLOPT_COPYPOSTFIELDS, bodyBytes.constData());
        return Perform();
    }
    const std::string& Get(const QString& url) {
        const QByteArray urlBytes = url.toUtf8();
        curl_easy_setopt(handle_, CURLOPT_URL, urlBytes.constData());
        curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(handle_, CURLOPT_FRESH_CONNECT, 0L);
        curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
        return Perform();
    }

private:
    const std::string& Perform() {
        body_.clear();
        long status = 0;
        if (curl_easy_perform(handle_) != CURLE_OK ||
            curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
            status != 200)
            throw std::runtime_error("a replayed request failed");
        return body_;
    }

    CURL* handle_;
    curl_slist* headers_ = nullptr;
    QByteArray referer_;
    std::string body_;
};

// The harvest's requests in its order; the page's items read with the program's reader, the
// house answers kept as bytes only.
int Replay(const QString& region, RunMarks& marks) {
    CurlReplay curl;
    const QString searchBody = SearchBody(region, QString(), QString());
    std::int64_t received = 0;
    std::int64_t total = 1;
    int houses = 0;
    for (int page = 1; received < total; ++page) {
        const std::string& answer = curl.Post(HouseSearchUrl(page, 100), searchBody);
        const SearchPageAnswer search(QString::fromUtf8(answer.data(), qsizetype(answer.size())));
        const JsonArray* items = search.Items();
        if (!search.Parsed() || items == nullptr || items->empty())
            break;
        total = search.Total();
        received += std::int64_t(items->size());
        for (std::size_t k = 0; k < items->size(); ++k) {
            if (++houses == EarlyHouses() + 1)
                marks.early = Mark::Now();
            const QString guid = HouseGuid(&(*items)[k]);
            benchmark::DoNotOptimize(curl.Get(MapLookupUrl(guid)).size());
            benchmark::DoNotOptimize(curl.Post(PassportSearchUrl(), PassportBody(guid)).size());
            benchmark::DoNotOptimize(
                curl.Get(HouseCardUrl(HouseTypeCode(&(*items)[k]), guid)).size());
        }
    }
    return houses;
}

void BM_CurlReplay(benchmark::State& state) {
    Portal();
    const QString region = DemoRegionCode();
    const qint64 logFrom = LogSize();
    RunMarks marks;
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeakMemory();
        marks.start = Mark::Now();
        state.ResumeTiming();
        try {
            marks.houses = Replay(region, marks);
        } catch (const std::exception& failure) {
            state.SkipWithError(failure.what());
            return;
        }
        state.PauseTiming();
        marks.end = Mark::Now();
        state.ResumeTiming();
    }
    if (marks.houses != Houses())
        state.SkipWithError("the replay did not reach every house");
    Report(state, marks);
    ReportPortal(state, logFrom);
}
BENCHMARK(BM_CurlReplay)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    ProcessStart();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
