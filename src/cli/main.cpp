// The headless command: a harvest or a directory listing without a window.
#include "base/Clock.h"
#include "cli/CliCommand.h"
#include "cli/CliOptions.h"
#include "desktop/DesktopBuses.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const std::optional<int> readTimeout = ReadTimeoutSetting(qgetenv("PORTAL_READ_TIMEOUT_MS"));
    if (!readTimeout) {
        std::fputs("house-export-cli: PORTAL_READ_TIMEOUT_MS: нужно целое число миллисекунд\n",
                   stderr);
        return kExitFailed;
    }
    const CliContext context{
        .clock = SystemClock::Instance(),
        .out = stdout,
        .err = stderr,
        .terminal = ::isatty(STDOUT_FILENO) == 1,
        .readTimeoutMs = *readTimeout,
        .catchStopSignals = true,
        // Only the system bus: a server has no session, and logind's lock is what it needs.
        .desktop = [] {
            return DesktopBuses{QDBusConnection::systemBus(), QDBusConnection(QString())};
        }};
    return RunCli(QCoreApplication::arguments().mid(1), context);
}
