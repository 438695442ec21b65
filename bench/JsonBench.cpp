// Lenient parse of realistic portal answers beside nlohmann/json and RapidJSON parsing the same
// bytes. Throughput is counted in UTF-8 bytes of the answer for every contender.
//
// Every benchmark also reports memory: "parse_MB" is how far the process's resident set rose
// above its level before the loop (the most one parse held at a time, plus the decoded text
// where the loop decodes it), "peak_MB" the process's whole peak during the loop.
#include "BenchData.h"

#include "json/JsonAccess.h"
#include <benchmark/benchmark.h>
#include <fstream>
#include <malloc.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <string>

namespace {

const QByteArray& searchPage() {
    static const QByteArray bytes = SearchPageAnswer(100);
    return bytes;
}

const QByteArray& passport() {
    static const QByteArray bytes = PassportAnswer(80);
    return bytes;
}

const QByteArray& tinyObjects() {
    static const QByteArray bytes = TinyObjectsAnswer(1'000'000);
    return bytes;
}

// A line of /proc/self/status such as "VmHWM:  1234 kB", in bytes.
double statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key))
            return std::stod(line.substr(key.size())) * 1024;
    }
    return 0;
}

// Resets the resident set's high-water mark (Linux) on construction; report() puts the rise
// above the level at construction and the peak itself into the benchmark's counters.
class PeakMemory {
public:
    PeakMemory() {
        malloc_trim(0); // memory freed by earlier benchmarks must not hide this one's
        std::ofstream("/proc/self/clear_refs") << "5";
        before_ = statusBytes("VmRSS:");
    }

    void report(benchmark::State& state) const {
        const double peak = statusBytes("VmHWM:");
        state.counters["parse_MB"] = (peak - before_) / 1e6;
        state.counters["peak_MB"] = peak / 1e6;
    }

private:
    double before_ = 0;
};

// The program's reader gets the answer as text (the client decodes it); this is what it parses.
void LenientParseText(benchmark::State& state, const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    const PeakMemory memory;
    for (auto _ : state) {
        auto value = ParseLenient(text);
        benchmark::DoNotOptimize(value);
    }
    memory.report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

// Decoding the UTF-8 bytes included, for a like-for-like start from bytes.
void LenientParseBytes(benchmark::State& state, const QByteArray& bytes) {
    const PeakMemory memory;
    for (auto _ : state) {
        auto value = ParseLenient(QString::fromUtf8(bytes));
        benchmark::DoNotOptimize(value);
    }
    memory.report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void Nlohmann(benchmark::State& state, const QByteArray& bytes) {
    const PeakMemory memory;
    for (auto _ : state) {
        auto value = nlohmann::json::parse(bytes.begin(), bytes.end());
        benchmark::DoNotOptimize(value);
    }
    memory.report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void RapidJson(benchmark::State& state, const QByteArray& bytes) {
    const PeakMemory memory;
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(bytes.constData(), static_cast<size_t>(bytes.size()));
        benchmark::DoNotOptimize(document);
    }
    memory.report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

BENCHMARK_CAPTURE(LenientParseText, search_page, searchPage());
BENCHMARK_CAPTURE(LenientParseBytes, search_page, searchPage());
BENCHMARK_CAPTURE(Nlohmann, search_page, searchPage());
BENCHMARK_CAPTURE(RapidJson, search_page, searchPage());
BENCHMARK_CAPTURE(LenientParseText, passport, passport());
BENCHMARK_CAPTURE(LenientParseBytes, passport, passport());
BENCHMARK_CAPTURE(Nlohmann, passport, passport());
BENCHMARK_CAPTURE(RapidJson, passport, passport());
// 1,000,000 one-member objects: 8 MB of UTF-8, 16 MB as text
BENCHMARK_CAPTURE(LenientParseText, tiny_objects, tinyObjects())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LenientParseBytes, tiny_objects, tinyObjects())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nlohmann, tiny_objects, tinyObjects())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RapidJson, tiny_objects, tinyObjects())->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
