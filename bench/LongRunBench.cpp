// Memory of a long run: a harvest at interval 0 over the fake portal's "Миллионная обл" (its
// size set with --big-count; city and street placeholders, one search over the region, page size
// 100, coordinates, passport and card of every house, the workbook at the end), with the
// resident memory (VmRSS) and its peak (VmHWM) sampled every 100 ms and marked when the table
// passes 10,000, 20,000, 50,000, 100,000, 200,000, 500,000 and 1,000,000 houses (with the growth
// per house since the mark before), then the peak of the whole run.
//
//  - cli: the headless command as a process of its own (the built house-export-cli, or the
//    program given, e.g. an older build for comparison); its peak over the whole run from
//    wait4().
//  - window: the window (MainForm) in this process on the offscreen platform, started as a user
//    does; the peak is this process's.
//
// clang-format off
//   cmake -S . -B build/h-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF
//       -DHX_BUILD_BENCH=ON    (one command line)
//   cmake --build build/h-bench -j2 --target long_run_bench house-export-cli
//   build/h-bench/bench/long_run_bench cli 100000 [program]
//   build/h-bench/bench/long_run_bench window 100000
// clang-format on
#include "EventLoopWait.h"
#include "PortalSimProcess.h"
#include "ProcessStatus.h"
#include "QuietServices.h"
#include "ui/MainForm.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const QString kRegion = QStringLiteral("Миллионная обл");

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// The houses marked and what the process held then.
class Marks {
public:
    explicit Marks(qint64 houses) {
        for (qint64 mark : {10000, 20000, 50000, 100000, 200000, 500000, 1000000})
            if (mark <= houses)
                marks_.push_back(mark);
    }

    // Called with the houses so far; prints a line for every mark passed.
    void Sample(qint64 houses, double seconds, double rssKiB, double peakKiB) {
        while (next_ < marks_.size() && houses >= marks_[next_]) {
            std::printf("%9lld houses  %8.1f s  %6.1f houses/s  rss %6.1f MiB  peak %6.1f MiB",
                        static_cast<long long>(houses), seconds, double(houses) / seconds,
                        rssKiB / 1024, peakKiB / 1024);
            if (next_ > 0)
                std::printf("  growth %.2f B/house since %lld",
                            1024 * (rssKiB - rss_.back()) / double(houses - houses_.back()),
                            static_cast<long long>(houses_.back()));
            std::printf("\n");
            std::fflush(stdout);
            rss_.push_back(rssKiB);
            houses_.push_back(houses);
            ++next_;
        }
    }

private:
    std::vector<qint64> marks_;
    std::vector<double> rss_;
    std::vector<qint64> houses_;
    std::size_t next_ = 0;
};

// Rows of the run's table so far, read as the table grows (the line ends after the header).
class TableRows {
public:
    explicit TableRows(QString folder) : folder_(std::move(folder)) {}

    qint64 Count() {
        if (!file_.isOpen()) {
            const QStringList tables = QDir(folder_).entryList({QStringLiteral("data*.tab")});
            if (tables.isEmpty())
                return 0;
            file_.setFileName(folder_ + QLatin1Char('/') + tables.first());
            if (!file_.open(QIODevice::ReadOnly))
                return 0;
        }
        for (QByteArray block = file_.read(1 << 20); !block.isEmpty(); block = file_.read(1 << 20))
            lines_ += block.count('\n');
        return std::max<qint64>(lines_ - 1, 0);
    }

private:
    QString folder_;
    QFile file_;
    qint64 lines_ = 0;
};

void MeasureCli(qint64 houses, const QString& program) {
    QTemporaryDir out;
    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> arguments{
        path,         "--region", kRegion.toUtf8(), "--all-streets",
        "--interval", "0",        "--out",          out.path().toLocal8Bit()};
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawn(&child, path.constData(), &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + path.toStdString());
    posix_spawn_file_actions_destroy(&actions);

    const QString pid = QString::number(child);
    QElapsedTimer elapsed;
    elapsed.start();
    Marks marks(houses);
    TableRows rows(out.path());
    qint64 seen = 0;
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, WNOHANG, &usage) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const double rss = StatusKiB(pid, "VmRSS:");
        const double peak = StatusKiB(pid, "VmHWM:");
        seen = rows.Count();
        marks.Sample(seen, Seconds(elapsed), rss, peak);
    }
    seen = rows.Count();
    std::printf("cli: %lld rows in %.1f s, exit status %d, peak of the whole run %.1f MiB "
                "(%ld KiB), CPU %.1f s\n",
                static_cast<long long>(seen), Seconds(elapsed),
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, double(usage.ru_maxrss) / 1024,
                usage.ru_maxrss,
                double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
}

template <typename T> T* Find(QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr)
        throw std::runtime_error(std::string("no control ") + name);
    return control;
}

void MeasureWindow(qint64 houses) {
    QTemporaryDir folder;
    {
        // The window's start-up check looks for the TLS library beside the program.
        QFile library(folder.path() + QStringLiteral("/libssl.so.3"));
        if (!library.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write into a temporary folder");
    }
    QuietServices services;
    MainForm form(MainForm::Setup{folder.path() + QLatin1Char('/'), nullptr, &services, {}});
    form.show();
    auto* regions = Find<QComboBox>(form, "RegionComboBox");
    auto* log = Find<QPlainTextEdit>(form, "LogsMemo");
    auto* progress = Find<QProgressBar>(form, "ProgressBar");
    WaitFor([&] { return regions->count() > 1; }, 60000, "the regions");
    const int region = regions->findText(kRegion);
    if (region < 0)
        throw std::runtime_error("no such region");
    const int before = log->blockCount();
    regions->setCurrentIndex(region);
    emit regions->activated(region);
    WaitFor([&] { return log->blockCount() > before + 5; }, 600000, "the region's lists");
    Find<QSpinBox>(form, "IntervalSpinEdit")->setValue(0);

    const QString self = QStringLiteral("self");
    Marks marks(houses);
    QElapsedTimer elapsed;
    QTimer sampler;
    qint64 seen = 0;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        seen = std::max<qint64>(seen, progress->value());
        marks.Sample(seen, Seconds(elapsed), StatusKiB(self, "VmRSS:"), StatusKiB(self, "VmHWM:"));
    });
    elapsed.start();
    sampler.start(100);
    Find<QPushButton>(form, "StartButton")->click();
    WaitFor([&] { return form.CurrentWorker() == nullptr; }, 24 * 3600000, "the end of the run");
    sampler.stop();
    std::printf("window: %lld houses in %.1f s, %d lines in the pane, rss %.1f MiB, peak of the "
                "process %.1f MiB; last line: %s\n",
                static_cast<long long>(seen), Seconds(elapsed), log->blockCount(),
                StatusKiB(self, "VmRSS:") / 1024, StatusKiB(self, "VmHWM:") / 1024,
                qPrintable(log->document()->lastBlock().text()));
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("cli");
    const qint64 houses = argc > 2 ? std::atoll(argv[2]) : 100000;
    const QString program =
        argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral(HOUSE_EXPORT_CLI_FILE);
    try {
        PortalSimProcess portal(QStringLiteral(HX_PORTAL_SIM),
                                {{}, {QStringLiteral("--big-count"), QString::number(houses)}});
        qputenv("PORTAL_ORIGIN", portal.Origin().toUtf8());
        if (mode == QLatin1String("window"))
            MeasureWindow(houses);
        else
            MeasureCli(houses, program);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "long_run_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
