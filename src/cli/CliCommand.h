#pragma once

#include <QStringList>
#include <cstdio>
#include <functional>

class Clock;
struct DesktopBuses;

// Exit statuses of the headless command.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitInterrupted = 130;
// The run ended, but houses or search pages are still missing (a repair may fetch them).
inline constexpr int kExitIncomplete = 3;

// What the command runs with besides its arguments; the program gives the machine's clock and
// its standard streams, tests a fake clock and files of their own.
struct CliContext {
    Clock& clock;
    std::FILE* out;
    std::FILE* err;
    // out is a terminal: the progress line is shown.
    bool terminal = false;
    // The worker client's read time-out in ms; 0 keeps the worker profile's.
    int readTimeoutMs = 0;
    // SIGINT and SIGTERM stop the run (the program sets this; in-process tests do not).
    bool catchStopSignals = false;
    // Connects to the bus of the sleep inhibitor that a run holds unless --allow-sleep is given;
    // called only when a run begins, so that help, listings and comparisons touch no bus. Empty:
    // none is taken.
    std::function<DesktopBuses()> desktop = nullptr;
};

// The whole command: --help, a directory listing, or a harvest run on the same worker and
// workbook layer as the window. The arguments are those after the program name. Returns the
// exit status.
int RunCli(const QStringList& arguments, const CliContext& context);
