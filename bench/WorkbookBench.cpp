// Workbook conversion: a realistic table of 101-column house rows (the records tests' sample
// house, its house-specific fields changed from row to row) turned into an .xlsx workbook by the
// harvest's steps, at 10,000 and 100,000 rows: time, rows/s, MB/s of table and the peak resident
// memory during the conversion. Beside it, as the practical limit, a bare libxlsxwriter loop over
// the same table (getline, split, strings and numbers, constant memory, nothing else).
//
// clang-format off
//   cmake -S . -B build/h-wb-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-wb-bench --target workbook_bench
//   build/h-wb-bench/bench/workbook_bench --benchmark_repetitions=3
//       --benchmark_report_aggregates_only=true    (one command line)
// clang-format on

#include "BareWorkbookLoop.h"
#include "workbook/SpreadsheetTable.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <xlsxwriter.h>

namespace {

double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

QByteArray DataBytes(const char* name) {
    QFile file(QStringLiteral(WORKBOOK_BENCH_DATA "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("missing bench data ") + name);
    return file.readAll();
}

// house-row.txt holds one field a line: "<column>\t<text>".
QStringList SampleRow() {
    QStringList fields;
    for (const QByteArray& line : DataBytes("house-row.txt").split('\n')) {
        if (const qsizetype tab = line.indexOf('\t'); tab >= 0)
            fields.append(QString::fromUtf8(line.mid(tab + 1)).remove(u'\r'));
    }
    return fields;
}

QStringList Header() {
    QStringList names = QString::fromUtf8(DataBytes("header-names.txt")).split(u'\n');
    names.removeAll(QString());
    return names;
}

// House n: the sample with the fields that differ from house to house changed.
QStringList HouseRow(QStringList row, int n) {
    const QString number = QString::number(n);
    row[0].replace(QStringLiteral("1d2f3a4b5c6d"), number.rightJustified(12, u'0'));
    row[3] = QStringLiteral("обл. Московская, г. Подольск, ул. Кирова, д. %1").arg(n % 250 + 1);
    row[4] = QString::number(1900 + n % 120);
    row[6] = QStringLiteral("50:55:0020116:%1").arg(n);
    row[28] = row[6];
    row[41] = QString::number(n % 300);
    row[44] = QString::number(1000 + n % 9000) + QStringLiteral(".") + QString::number(n % 10);
    return row;
}

// A table of `rows` houses, written once per size into a temporary folder.
class BenchTable {
public:
    explicit BenchTable(int rows) : rows_(rows) {
        QFile file(TablePath());
        if (!dir_.isValid() || !file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the bench table");
        const QStringList sample = SampleRow();
        file.write("\xEF\xBB\xBF" + Header().join(u'\t').toUtf8() + "\r\n");
        for (int n = 1; n <= rows; ++n)
            file.write(HouseRow(sample, n).join(u'\t').toUtf8() + "\r\n");
        bytes_ = file.size();
    }
    QString TablePath() const { return dir_.path() + QStringLiteral("/data1.tab"); }
    QString WorkbookPath() const { return dir_.path() + QStringLiteral("/data1.xlsx"); }
    int Rows() const { return rows_; }
    qint64 Bytes() const { return bytes_; }

private:
    QTemporaryDir dir_;
    int rows_;
    qint64 bytes_ = 0;
};

const BenchTable& TableOf(int rows) {
    static std::map<int, std::unique_ptr<BenchTable>> tables;
    auto& table = tables[rows];
    if (!table)
        table = std::make_unique<BenchTable>(rows);
    return *table;
}

// The process's resident memory from /proc/self/status, in MiB ("VmHWM" is the peak).
double StatusMiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key)))
                       .trimmed()
                       .split(' ')[0]
                       .toDouble() /
                   1024;
    }
    return 0;
}

// From here on the peak ("VmHWM") counts from the resident memory of now.
void ResetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void Report(benchmark::State& state, const BenchTable& table, double before, double peak) {
    const auto runs = static_cast<double>(state.iterations());
    state.counters["rows_per_s"] =
        benchmark::Counter((table.Rows() + 1) * runs, benchmark::Counter::kIsRate);
    state.counters["table_MB_per_s"] = benchmark::Counter(
        static_cast<double>(table.Bytes()) * runs / 1e6, benchmark::Counter::kIsRate);
    state.counters["table_MB"] = static_cast<double>(table.Bytes()) / 1e6;
    state.counters["rss_before_MiB"] = before;
    state.counters["peak_rss_MiB"] = peak;
}

template <typename Convert> void Measure(benchmark::State& state, Convert convert) {
    const BenchTable& table = TableOf(static_cast<int>(state.range(0)));
    double before = 0;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(table.WorkbookPath());
        ResetPeakMemory();
        before = StatusMiB("VmRSS:");
        state.ResumeTiming();
        convert(table);
        state.PauseTiming();
        peak = std::max(peak, StatusMiB("VmHWM:"));
        state.ResumeTiming();
    }
    Report(state, table, before, peak);
}

// The harvest's steps.
void BM_SpreadsheetTable(benchmark::State& state) {
    Measure(state, [](const BenchTable& table) {
        SpreadsheetTable sheet;
        sheet.OpenText(table.TablePath());
        benchmark::DoNotOptimize(sheet.UsedRowCount());
        sheet.FreezeHeaderRow();
        sheet.SaveAs(table.WorkbookPath());
        benchmark::DoNotOptimize(sheet.CutCellCount());
        sheet.Close();
    });
}
BENCHMARK(BM_SpreadsheetTable)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// The practical limit: the same cells, nothing else.
void BM_BareLibxlsxwriter(benchmark::State& state) {
    Measure(state, [](const BenchTable& table) {
        BareLibxlsxwriterLoop(table.TablePath(), table.WorkbookPath());
    });
}
BENCHMARK(BM_BareLibxlsxwriter)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

BENCHMARK_MAIN();
