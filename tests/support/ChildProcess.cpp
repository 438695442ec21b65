#include "ChildProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kStopWaitMs = 5000;

} // namespace

ChildProcess::ChildProcess(const QStringList& arguments) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<QByteArray> argumentBytes;
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];
    if (spawned != 0) {
        pid_ = -1;
        close(stdoutFd_);
        throw std::runtime_error("cannot start " + argumentBytes[0].toStdString());
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (Wait(kStopWaitMs) == -1 && pid_ > 0) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    close(stdoutFd_);
}

QByteArray ChildProcess::ReadLine(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pending_.contains('\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd wait{stdoutFd_, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0)
            return {};
        char buffer[256];
        const ssize_t count = read(stdoutFd_, buffer, sizeof buffer);
        if (count <= 0)
            return {};
        pending_.append(buffer, count);
    }
    const qsizetype end = pending_.indexOf('\n');
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

int ChildProcess::Wait(int ms) {
    if (pid_ <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
