#pragma once

#include "ChildProcess.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The Python that starts the fake portal: the system's own where it is, since a version manager's
// "python3" on PATH can take seconds to start on a busy machine.
QString PythonCommand();

// A folder under the system's temporary folder, removed with everything in it when the object
// goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
};

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
    TemporaryFolder folder_;
    QString logPath_;
    QString origin_;
    std::unique_ptr<ChildProcess> process_;
};
