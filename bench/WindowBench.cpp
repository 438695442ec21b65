// The window's responsiveness during a harvest, on the offscreen platform:
//  1. a run at interval 0 over the fake portal's demo region (5,000 houses by default, one
//     search over the whole region, coordinates, passport and card of every house, workbook
//     conversion): the worst and the 99.9th-percentile lateness of a 10 ms timer on the
//     window's thread from the press of "СТАРТ" to the worker's end; beside it, in the same
//     run, the same timer over an idle event loop for as long (what the machine itself gives);
//  2. 200,000 log lines shown the way the worker shows them (one window call per line from the
//     worker's thread): time, growth of the resident memory and the worst lateness; beside it a
//     bare QPlainTextEdit::appendPlainText loop of the same lines on the window's thread.
//
// clang-format off
//   cmake -S . -B build/h-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-bench -j2 --target window_bench
//   QT_QPA_PLATFORM=offscreen build/h-bench/bench/window_bench [houses] [log lines] [runs]
// clang-format on
#include "EventLoopWait.h"
#include "PortalSimProcess.h"
#include "QuietServices.h"
#include "harvest/Scraper.h"
#include "ui/MainForm.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Lateness of a 10 ms timer on the calling thread's event loop while it is armed.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kPeriodMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            lateness_.push_back(std::max<qint64>(0, now - last_ - kPeriodMs * 1000000LL));
            last_ = now;
        });
    }
    void Start() {
        lateness_.clear();
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double WorstMs() const {
        return lateness_.empty() ? 0 : *std::max_element(lateness_.begin(), lateness_.end()) / 1e6;
    }
    double PercentileMs(double fraction) const {
        if (lateness_.empty())
            return 0;
        std::vector<qint64> sorted = lateness_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(fraction * (sorted.size() - 1))] / 1e6;
    }
    size_t Ticks() const { return lateness_.size(); }

private:
    static constexpr int kPeriodMs = 10;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    std::vector<qint64> lateness_;
};

double ResidentMiB() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

template <typename T> T* Find(QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr)
        throw std::runtime_error(std::string("no control ") + name);
    return control;
}

void IdleFor(qint64 ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms)
        Spin();
}

// A folder the window accepts as its program folder: its start-up check looks for the TLS
// library beside the program.
class ProgramFolder {
public:
    ProgramFolder() {
        QFile library(Path() + QStringLiteral("libssl.so.3"));
        if (!library.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write into a temporary folder");
    }
    QString Path() const { return folder_.path() + QLatin1Char('/'); }

private:
    QTemporaryDir folder_;
};

void MeasureRun(int houses) {
    ProgramFolder folder;
    QuietServices services;
    MainForm form(MainForm::Setup{folder.Path(), nullptr, &services, {}});
    form.show();
    auto* regions = Find<QComboBox>(form, "RegionComboBox");
    auto* log = Find<QPlainTextEdit>(form, "LogsMemo");
    WaitFor([&] { return regions->count() > 1; }, 60000, "the regions");
    const int demo = regions->findText(QStringLiteral("Показательный край"));
    if (demo < 0)
        throw std::runtime_error("no demo region");
    const int before = log->blockCount();
    regions->setCurrentIndex(demo);
    emit regions->activated(demo);
    WaitFor([&] { return log->blockCount() > before + 5; }, 60000, "the region's lists");
    Find<QSpinBox>(form, "IntervalSpinEdit")->setValue(0);

    StallMeter meter;
    QElapsedTimer elapsed;
    const double residentBefore = ResidentMiB();
    meter.Start();
    elapsed.start();
    Find<QPushButton>(form, "StartButton")->click();
    WaitFor([&] { return form.CurrentWorker() == nullptr; }, 3600000, "the end of the run");
    const qint64 runMs = elapsed.elapsed();
    meter.Stop();
    const QString last = log->document()->lastBlock().text();
    std::printf("run of %d houses: %.1f s, %d log lines, worst stall %.1f ms, p99.9 %.2f ms, "
                "p99 %.2f ms (%zu ticks), resident +%.0f MiB; last line: %s\n",
                houses, runMs / 1000.0, log->blockCount(), meter.WorstMs(),
                meter.PercentileMs(0.999), meter.PercentileMs(0.99), meter.Ticks(),
                ResidentMiB() - residentBefore, qPrintable(last));

    StallMeter idle;
    idle.Start();
    IdleFor(runMs);
    idle.Stop();
    std::printf("  peer, idle event loop for as long: worst %.1f ms, p99.9 %.2f ms, p99 %.2f ms\n",
                idle.WorstMs(), idle.PercentileMs(0.999), idle.PercentileMs(0.99));
}

QString LogText(int i) {
    static const QString guid = QStringLiteral("23ef7694-303b-4002-94e4-0300000%1");
    return QStringLiteral("Загружаем паспорт для дома ") + guid.arg(i, 5, 10, QLatin1Char('0'));
}

void MeasureLog(int lines) {
    {
        ProgramFolder folder;
        QuietServices services;
        MainForm form(MainForm::Setup{folder.Path(), nullptr, &services, {}});
        form.show();
        IdleFor(100);
        StallMeter meter;
        const double residentBefore = ResidentMiB();
        QElapsedTimer elapsed;
        std::atomic<bool> done = false;
        meter.Start();
        elapsed.start();
        std::thread worker([&] {
            for (int i = 0; i < lines; ++i)
                form.AddLogLine(LogText(i));
            done = true;
        });
        WaitFor([&] { return done.load(); }, 3600000, "the log lines");
        worker.join();
        meter.Stop();
        std::printf("%d log lines through the worker's window calls: %.2f s (%.1f us a line), "
                    "resident +%.0f MiB, worst stall %.1f ms, p99.9 %.2f ms\n",
                    lines, elapsed.elapsed() / 1000.0, elapsed.nsecsElapsed() / 1e3 / lines,
                    ResidentMiB() - residentBefore, meter.WorstMs(), meter.PercentileMs(0.999));
    }
    {
        QPlainTextEdit bare;
        bare.setLineWrapMode(QPlainTextEdit::NoWrap);
        bare.resize(570, 614);
        bare.show();
        IdleFor(100);
        const double residentBefore = ResidentMiB();
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; i < lines; ++i)
            bare.appendPlainText(LogText(i));
        QCoreApplication::processEvents();
        std::printf("  peer, bare appendPlainText loop on the window's thread: %.2f s (%.1f us a "
                    "line), resident +%.0f MiB\n",
                    elapsed.elapsed() / 1000.0, elapsed.nsecsElapsed() / 1e3 / lines,
                    ResidentMiB() - residentBefore);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int houses = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 200000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    try {
        PortalSimProcess portal(QStringLiteral(HX_PORTAL_SIM),
                                {{}, {QStringLiteral("--demo-count"), QString::number(houses)}});
        qputenv("PORTAL_ORIGIN", portal.Origin().toUtf8());
        for (int run = 0; run < runs; ++run)
            MeasureRun(houses);
        MeasureLog(lines);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "window_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
