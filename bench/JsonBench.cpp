// Lenient parse of realistic portal answers beside nlohmann/json and RapidJSON parsing the same
// bytes. Throughput is counted in UTF-8 bytes of the answer for every contender.
#include "BenchData.h"
#include "json/JsonAccess.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

namespace {

const QByteArray& searchPage() {
    static const QByteArray bytes = SearchPageAnswer(100);
    return bytes;
}

const QByteArray& passport() {
    static const QByteArray bytes = PassportAnswer(80);
    return bytes;
}

// The program's reader gets the answer as text (the client decodes it); this is what it parses.
void LenientParseText(benchmark::State& state, const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    for (auto _ : state) {
        auto value = ParseLenient(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

// Decoding the UTF-8 bytes included, for a like-for-like start from bytes.
void LenientParseBytes(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        auto value = ParseLenient(QString::fromUtf8(bytes));
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void Nlohmann(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        auto value = nlohmann::json::parse(bytes.begin(), bytes.end());
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void RapidJson(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(bytes.constData(), static_cast<size_t>(bytes.size()));
        benchmark::DoNotOptimize(document);
    }
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

} // namespace

BENCHMARK_MAIN();
