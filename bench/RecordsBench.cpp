// House records: the cost of one house's row (parsing of the list item, card and passport
// included) and of writing it, and the table's write throughput.
//
//   cmake --preset bench && cmake --build --preset bench --target records_bench
//   build/bench/bench/records_bench --benchmark_min_time=1 --benchmark_repetitions=10
//       --benchmark_report_aggregates_only=true    (one command line)

#include "json/JsonAccess.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <stdexcept>

namespace {

// The machine is shared: the fastest of several repetitions is the figure least disturbed by
// other work, so it is reported beside mean and median.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

QString DataText(const char* name) {
    QFile file(QStringLiteral(RECORDS_BENCH_DATA "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("missing bench data ") + name);
    return QString::fromUtf8(file.readAll());
}

// One house as the visit hands it over: the list item's text and the three answer texts.
struct HouseAnswers {
    QString item;
    QString map;
    QString passport;
    QString card;
};

// The hand-written house of the row tests: its passport names every parameter (11 kB).
const HouseAnswers& Answers() {
    static const HouseAnswers answers{DataText("house-item.json"), DataText("house-map.txt"),
                                      DataText("house-passport.json"), DataText("house-card.json")};
    return answers;
}

// The fake portal's full house: a passport of codes and values only (4 kB).
const HouseAnswers& SimAnswers() {
    static const HouseAnswers answers{
        DataText("sim/00-full-item.json"), DataText("sim/00-full-map.txt"),
        DataText("sim/00-full-passport.json"), DataText("sim/00-full-card.json")};
    return answers;
}

QStringList BuildRow(const HouseAnswers& answers) {
    const std::optional<JsonValue> item = ParseLenient(answers.item);
    return BuildHouseRow(*item, answers.map, answers.passport, answers.card);
}

// A table in a temporary folder that is started afresh every so many rows, so long runs do not
// fill the disk.
class BenchTable {
public:
    BenchTable() : table_(dir_.path() + u'/', 1) { table_.Open(); }
    void Append(benchmark::State& state, const QStringList& row) {
        table_.AppendRow(row);
        if (++rows_ % 20000 == 0) {
            state.PauseTiming();
            table_.Open();
            state.ResumeTiming();
        }
    }

private:
    QTemporaryDir dir_;
    OutputTable table_;
    long rows_ = 0;
};

void BM_BuildHouseRow(benchmark::State& state) {
    const HouseAnswers& answers = Answers();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildRow(answers));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildHouseRow)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_BuildHouseRowSimHouse(benchmark::State& state) {
    const HouseAnswers& answers = SimAnswers();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildRow(answers));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildHouseRowSimHouse)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

// The parsing alone, to tell the JSON reader's share of a row from the columns' own.
void BM_ParseAnswersOnly(benchmark::State& state) {
    const HouseAnswers& answers = Answers();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseLenient(answers.item));
        benchmark::DoNotOptimize(ParseLenient(answers.passport));
        benchmark::DoNotOptimize(ParseLenient(answers.card));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAnswersOnly)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_BuildHouseRowNoAnswers(benchmark::State& state) {
    const std::optional<JsonValue> item = ParseLenient(Answers().item);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildHouseRow(*item, {}, {}, {}));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildHouseRowNoAnswers)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

void BM_BuildAndAppendHouse(benchmark::State& state) {
    const HouseAnswers& answers = Answers();
    BenchTable table;
    for (auto _ : state)
        table.Append(state, BuildRow(answers));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildAndAppendHouse)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_AppendRow(benchmark::State& state) {
    const QStringList row = BuildRow(Answers());
    const auto lineBytes = row.join(u'\t').toUtf8().size() + 2;
    BenchTable table;
    for (auto _ : state)
        table.Append(state, row);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * lineBytes);
    state.counters["line_bytes"] = static_cast<double>(lineBytes);
}
BENCHMARK(BM_AppendRow)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
    qputenv("PORTAL_ORIGIN", "https://127.0.0.1:4443");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
