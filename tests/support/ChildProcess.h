#pragma once

#include <QByteArray>
#include <QStringList>
#include <sys/types.h>

// A child process with its standard output on a pipe and its standard input on /dev/null,
// ended with SIGTERM (SIGKILL after a bounded wait) when the object goes.
class ChildProcess {
public:
    // Starts `arguments[0]` (searched in PATH) with the rest as its arguments. Throws
    // std::runtime_error when it cannot be started.
    explicit ChildProcess(const QStringList& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of its output without the line end; empty when none came within `ms`.
    QByteArray ReadLine(int ms);

    // Waits at most `ms` for the process to end; its exit status, or -1 when it did not end.
    int Wait(int ms);

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    QByteArray pending_;
};
