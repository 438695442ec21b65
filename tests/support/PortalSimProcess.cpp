#include "PortalSimProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr int kStartWaitMs = 20000;

} // namespace

TemporaryFolder::TemporaryFolder() {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/hx-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = QString::fromLocal8Bit(pattern);
}

QString PythonCommand() {
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFileInfo(system).isExecutable() ? system : QStringLiteral("python3");
}

TemporaryFolder::~TemporaryFolder() {
    QDir(path_).removeRecursively();
}

PortalSimProcess::PortalSimProcess(const QString& scriptPath, const Options& options)
    : logPath_(folder_.Path() + QStringLiteral("/requests.log")) {
    QStringList arguments{PythonCommand(),          scriptPath,
                          QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--log"),  logPath_};
    if (!options.scenarioJson.isEmpty()) {
        const QString scenarioPath = folder_.Path() + QStringLiteral("/scenario.json");
        QFile file(scenarioPath);
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the scenario file");
        file.write(options.scenarioJson.toUtf8());
        file.close();
        arguments << QStringLiteral("--scenario") << scenarioPath;
    }
    arguments << options.extraArguments;
    process_ = std::make_unique<ChildProcess>(arguments);
    origin_ = QString::fromUtf8(process_->ReadLine(kStartWaitMs)).trimmed();
    if (!origin_.startsWith(QStringLiteral("https://127.0.0.1:"))) {
        process_.reset();
        throw std::runtime_error("the fake portal printed no origin line");
    }
}

PortalSimProcess::~PortalSimProcess() {
    process_.reset(); // before the folder with its log goes
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
