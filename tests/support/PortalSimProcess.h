#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <sys/types.h>
#include <vector>

// The fake portal (tools/portal-sim) as a child process for one test: started on a free port
// of 127.0.0.1, with a request log and, optionally, a scenario, in a temporary folder of its
// own; stopped with SIGTERM when the object goes.
class PortalSimProcess {
public:
    struct Options {
        QString scenarioJson; // written to a scenario file when not empty
        QStringList extraArguments;
    };

    // Starts the simulator at `scriptPath` and waits (boundedly) for its origin line. Throws
    // std::runtime_error when it does not come.
    PortalSimProcess(const QString& scriptPath, const Options& options);
    explicit PortalSimProcess(const QString& scriptPath) : PortalSimProcess(scriptPath, {}) {}
    ~PortalSimProcess();
    PortalSimProcess(const PortalSimProcess&) = delete;
    PortalSimProcess& operator=(const PortalSimProcess&) = delete;

    const QString& Origin() const { return origin_; }
    const QString& LogPath() const { return logPath_; }

    // The request log so far, one object per request.
    std::vector<QJsonObject> LogEntries() const;

private:
    void Stop();

    QString directory_;
    QString logPath_;
    QString origin_;
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
};
