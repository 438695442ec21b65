#include "cli/StopSignals.h"

#include "base/MessageError.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe of the one StopSignals object; the handler may use nothing else.
int pipeFds[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw MessageError(QStringLiteral("Cannot create a pipe for the stop signals."));
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
    SetHandler(&OnStopSignal);
}

StopSignals::~StopSignals() {
    SetHandler(SIG_DFL);
    delete notifier_;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void StopSignals::Drain() {
    char bytes[64];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            onSignal_();
    }
}
