#include "PortalSimProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kStartWaitMs = 20000;
constexpr int kStopWaitMs = 5000;

QString MakeTemporaryDirectory() {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/portal-sim-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return QString::fromLocal8Bit(pattern);
}

} // namespace

PortalSimProcess::PortalSimProcess(const QString& scriptPath, const Options& options)
    : directory_(MakeTemporaryDirectory()), logPath_(directory_ + QStringLiteral("/requests.log")) {
    QStringList arguments{QStringLiteral("python3"), scriptPath,
                          QStringLiteral("--port"),  QStringLiteral("0"),
                          QStringLiteral("--log"),   logPath_};
    if (!options.scenarioJson.isEmpty()) {
        const QString scenarioPath = directory_ + QStringLiteral("/scenario.json");
        QFile file(scenarioPath);
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the scenario file");
        file.write(options.scenarioJson.toUtf8());
        file.close();
        arguments << QStringLiteral("--scenario") << scenarioPath;
    }
    arguments << options.extraArguments;

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<QByteArray> argumentBytes;
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start python3");
    }

    QByteArray line;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartWaitMs);
    while (!line.contains('\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd wait{stdoutFd_, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t count = read(stdoutFd_, buffer, sizeof buffer);
        if (count <= 0)
            break;
        line.append(buffer, count);
    }
    origin_ = QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
    if (!origin_.startsWith(QStringLiteral("https://127.0.0.1:"))) {
        Stop();
        throw std::runtime_error("the fake portal printed no origin line");
    }
}

PortalSimProcess::~PortalSimProcess() {
    Stop();
}

void PortalSimProcess::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    if (stdoutFd_ >= 0) {
        close(stdoutFd_);
        stdoutFd_ = -1;
    }
    if (!directory_.isEmpty()) {
        QDir(directory_).removeRecursively();
        directory_.clear();
    }
}

std::vector<QJsonObject> PortalSimProcess::LogEntries() const {
    std::vector<QJsonObject> entries;
    QFile file(logPath_);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        entries.push_back(QJsonDocument::fromJson(line).object());
    }
    return entries;
}
