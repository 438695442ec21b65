// Continuing a run of 100,000 rows: what a continuation costs before its first request (the
// record taken, the table read back and checked, the houses of the pair under way counted, the
// table opened for appending). Beside it, as the practical limit, one read() pass over the same
// file that only counts its lines. The rows are the records tests' sample house (101 fields,
// about 1950 bytes), each with a guid of its own. Also the cost of the flushes at a pair's end,
// and the memory of a repair's pass over the table.
//
// clang-format off
//   cmake -S . -B build/h-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-bench --target resume_bench
//   build/h-bench/bench/resume_bench --benchmark_repetitions=3
//       --benchmark_report_aggregates_only=true    (one command line)
// clang-format on

#include "ProcessStatus.h"
#include "SampleRow.h"
#include "base/FileDescriptor.h"
#include "harvest/RunRecord.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"
#include "records/TableReadBack.h"
#include "records/TableRewrite.h"
#include "records/TableRowText.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>

namespace {

constexpr int kRows = 100000;

// A folder with data1.tab of kRows rows and its record: the first pair of two finished at half.
class Fixture {
public:
    Fixture() {
        const QStringList sample = SampleRow();
        OutputTable table(Folder(), 1u);
        table.Open();
        RunJob job{QStringLiteral("r"),
                   QStringLiteral("Регион"),
                   {QStringLiteral("Город")},
                   {QStringLiteral("c")},
                   {QStringLiteral("a"), QStringLiteral("b")},
                   {QStringLiteral("s1"), QStringLiteral("s2")},
                   100,
                   true,
                   true,
                   true,
                   false};
        auto record = RunRecord::Create(Folder() + QStringLiteral("data1.run"),
                                        QStringLiteral("data1.tab"), job);
        for (int row = 0; row < kRows; ++row) {
            QStringList fields = sample;
            fields[0] = fields[0].replace(
                QStringLiteral("5e3c1b0a-7f0d-4a2b-9c3e-1d2f3a4b5c6d"),
                QStringLiteral("5e3c1b0a-7f0d-4a2b-9c3e-%1").arg(row, 12, 10, QLatin1Char('0')));
            table.AppendRow(fields);
            if (row + 1 == kRows / 2)
                record->PairDone(0, 0, row + 1, table.Size());
        }
        table.Close();
        bytes_ = table.Size();
    }
    QString Folder() const { return dir_.path() + QLatin1Char('/'); }
    qint64 Bytes() const { return bytes_; }

private:
    QTemporaryDir dir_;
    qint64 bytes_ = 0;
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

// The table's pages dropped from the page cache first (a continuation after a reboot), or not.
void EvictTable(const QString& path) {
    FileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    ::fdatasync(file.Get());
    ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

// A repair's pass over the table: every row read and written on under a temporary name, the new
// table renamed over the old (range 1: TableRewrite, row by row); beside it the whole table read
// into memory and written out (range 0), as the repair did before. The growth of the process's
// peak resident memory (VmHWM) over the pass is the counter; the streamed pass runs first, and
// both before the continuation below, whose mapped table would raise the peak for all.
void BM_RepairPass(benchmark::State& state) {
    Fixture& data = Data();
    const QString path = data.Folder() + QStringLiteral("data1.tab");
    const bool streamed = state.range(0) != 0;
    const double peakBefore = StatusKiB("VmHWM:");
    for (auto _ : state) {
        if (streamed) {
            TableRewrite rewrite(path, data.Bytes());
            QByteArray row;
            while (rewrite.NextRow(row))
                rewrite.WriteRowText(row);
            rewrite.Commit();
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("table unreadable");
        const QByteArray old = file.readAll();
        file.close();
        QSaveFile table(path);
        if (!table.open(QIODevice::WriteOnly) || table.write(old) != old.size() || !table.commit())
            state.SkipWithError("table not written");
    }
    state.counters["peak_growth_MB"] = (StatusKiB("VmHWM:") - peakBefore) / 1024;
}
BENCHMARK(BM_RepairPass)
    ->ArgName("streamed")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ContinueBeforeFirstRequest(benchmark::State& state) {
    Fixture& data = Data();
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            EvictTable(data.Folder() + QStringLiteral("data1.tab"));
            state.ResumeTiming();
        }
        auto record = RunRecord::Take(data.Folder() + QStringLiteral("data1.run"));
        const RunHistory& history = record->History();
        const TableContents contents = ReadTableBack(data.Folder() + history.tableName);
        const QSet<QString> inTable(contents.guids.begin(), contents.guids.end());
        QHash<QString, int> pair;
        for (qsizetype k = history.rowsAtPairEnd; k < contents.guids.size(); ++k)
            ++pair[contents.guids[k]];
        OutputTable table(data.Folder(), history.tableName);
        table.Continue(contents.wholeLinesEnd);
        benchmark::DoNotOptimize(inTable.size() + pair.size());
        if (contents.rowEnds.size() != std::size_t(kRows))
            state.SkipWithError("rows lost");
    }
    state.counters["rows"] = kRows;
    state.counters["table_MB"] = double(data.Bytes()) / 1e6;
}
BENCHMARK(BM_ContinueBeforeFirstRequest)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PlainLineCount(benchmark::State& state) {
    Fixture& data = Data();
    const QByteArray name = QFile::encodeName(data.Folder() + QStringLiteral("data1.tab"));
    std::string buffer(1 << 20, '\0');
    for (auto _ : state) {
        FileDescriptor file(::open(name.constData(), O_RDONLY | O_CLOEXEC));
        qint64 lines = 0;
        for (ssize_t got; (got = ::read(file.Get(), buffer.data(), buffer.size())) > 0;)
            for (const char* at = buffer.data();
                 (at = static_cast<const char*>(
                      std::memchr(at, '\n', std::size_t(buffer.data() + got - at))));
                 ++at)
                ++lines;
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_PlainLineCount)->Unit(benchmark::kMillisecond)->UseRealTime();

// The end of one pair of a long run: its 100 rows appended, then the table flushed to the disk
// and the record's pair line written and flushed (range 1), or beside it the same rows and line
// written without either flush (range 0). The files are in the system's temporary folder.
void BM_PairEnd(benchmark::State& state) {
    const bool flushed = state.range(0) != 0;
    const QStringList sample = SampleRow();
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    OutputTable table(folder, 2u);
    table.Open();
    RunJob job;
    job.pageSize = 100;
    auto record =
        RunRecord::Create(folder + QStringLiteral("data2.run"), QStringLiteral("data2.tab"), job);
    FileDescriptor bare(::open(QFile::encodeName(folder + QStringLiteral("bare.run")).constData(),
                               O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    qint64 rows = 0;
    for (auto _ : state) {
        for (int row = 0; row < 100; ++row)
            table.AppendRow(sample);
        rows += 100;
        if (flushed) {
            table.Flush();
            record->PairDone(0, 0, rows, table.Size());
        } else {
            const QByteArray line = "pair 0 0 " + QByteArray::number(rows) + ' ' +
                                    QByteArray::number(table.Size()) + '\n';
            benchmark::DoNotOptimize(::write(bare.Get(), line.constData(), line.size()));
        }
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_PairEnd)
    ->ArgName("flushed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
