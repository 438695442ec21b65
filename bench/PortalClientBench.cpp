// Requests per second over loopback TLS against the fake portal: the program's client beside
// libcurl (OpenSSL build) doing the same requests in the same run. GETs go out on one kept-alive
// connection; POSTs as HTTP/1.0, each on a new connection that resumes the TLS session of the
// one before.
#include "PortalSimProcess.h"
#include "WarmPortal.h"
#include "http/PortalClient.h"
#include "portal/PortalApi.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <memory>
#include <stdexcept>

namespace {

// The fake portal for the whole run, with PORTAL_ORIGIN pointing at it.
const PortalSimProcess& Portal() {
    static const std::unique_ptr<PortalSimProcess> portal = StartWarmPortal();
    return *portal;
}

QString SearchRegion() {
    static const QString region = [] {
        PortalClient client(ClientProfile::Directory);
        const QString regions = client.Get(RegionsUrl());
        const qsizetype at = regions.indexOf(QStringLiteral("\"aoGuid\":\""));
        if (at < 0)
            throw std::runtime_error("no region in the regions answer");
        return regions.mid(at + 10, 36);
    }();
    return region;
}

size_t Collect(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

struct CurlFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::unique_ptr<CURL, CurlFree> CurlHandle(std::string& body) {
    std::unique_ptr<CURL, CurlFree> handle(curl_easy_init());
    curl_easy_setopt(handle.get(), CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle.get(), CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle.get(), CURLOPT_SSLVERSION,
                     static_cast<long>(CURL_SSLVERSION_DEFAULT) |
                         static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
    curl_easy_setopt(handle.get(), CURLOPT_ACCEPT_ENCODING, nullptr);
    curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_MAXREDIRS, 14L);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(handle.get(), CURLOPT_USERAGENT,
                     "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                     "Gecko) Chrome/69.0.3497.100 Safari/537.36");
    return handle;
}

void Client_GetKeptAlive(benchmark::State& state) {
    Portal();
    PortalClient client(ClientProfile::Directory);
    const QString regions = RegionsUrl();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const QString text = client.Get(regions);
        bytes += text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(bytes);
}

void Curl_GetKeptAlive(benchmark::State& state) {
    Portal();
    const QByteArray url = RegionsUrl().toUtf8();
    std::string body;
    auto handle = CurlHandle(body);
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.constData());
    curl_easy_setopt(handle.get(), CURLOPT_HTTPGET, 1L);
    std::unique_ptr<curl_slist, ListFree> headers(
        curl_slist_append(nullptr, "Accept: text/html, */*"));
    curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, headers.get());
    std::int64_t bytes = 0;
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(handle.get()) != CURLE_OK) {
            state.SkipWithError("curl request failed");
            break;
        }
        // decode as the client does, so both sides hand over text
        const QString text = QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size()));
        bytes += text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(bytes);
}

void Client_PostNewConnection(benchmark::State& state) {
    Portal();
    PortalClient client(ClientProfile::Worker);
    const QString url = HouseSearchUrl(1, 10);
    const QString body = SearchBody(SearchRegion(), QString(), QString());
    for (auto _ : state) {
        ApplyPostSettings(client);
        const QString text = client.Post(url, body);
        benchmark::DoNotOptimize(text);
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Curl_PostNewConnection(benchmark::State& state) {
    Portal();
    const QByteArray url = HouseSearchUrl(1, 10).toUtf8();
    const QByteArray body = SearchBody(SearchRegion(), QString(), QString()).toUtf8();
    std::string answer;
    auto handle = CurlHandle(answer);
    std::unique_ptr<curl_slist, ListFree> headers;
    for (const char* line :
         {"Connection: keep-alive", "Content-Type: application/json; charset=UTF-8",
          "Request-GUID: 00000000-0000-0000-0000-000000000000", "Session-GUID: 0",
          "Accept: text/html, */*"})
        headers.reset(curl_slist_append(headers.release(), line));
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.constData());
    curl_easy_setopt(handle.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(handle.get(), CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle.get(), CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(handle.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(handle.get(), CURLOPT_SSL_SESSIONID_CACHE, state.range(0));
    for (auto _ : state) {
        answer.clear();
        if (curl_easy_perform(handle.get()) != CURLE_OK) {
            state.SkipWithError("curl request failed");
            break;
        }
        const QString text =
            QString::fromUtf8(answer.data(), static_cast<qsizetype>(answer.size()));
        benchmark::DoNotOptimize(text);
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(Client_GetKeptAlive)->UseRealTime()->MinTime(3.0);
BENCHMARK(Curl_GetKeptAlive)->UseRealTime()->MinTime(3.0);
BENCHMARK(Client_PostNewConnection)->UseRealTime()->MinTime(3.0);
// argument: libcurl's TLS session cache off (0, a full handshake per request) or on (1,
// libcurl's default: resumed handshakes, as the client does)
BENCHMARK(Curl_PostNewConnection)->Arg(0)->Arg(1)->UseRealTime()->MinTime(3.0);

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
