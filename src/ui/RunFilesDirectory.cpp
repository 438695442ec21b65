#include "ui/RunFilesDirectory.h"

#include <QDir>
#include <QTemporaryFile>

namespace {

bool CanMakeFileIn(const QString& directory) {
    QTemporaryFile probe(directory + QStringLiteral(".write-probe-XXXXXX"));
    return probe.open(); // removed again when the probe goes
}

} // namespace

QString RunFilesDirectory(const QString& programDirectory, const QString& documentsDirectory) {
    if (CanMakeFileIn(programDirectory))
        return programDirectory;
    const QString directory = QDir(documentsDirectory).filePath(QStringLiteral("house-export"));
    // A folder that cannot be made shows itself when the run's table cannot be created.
    QDir().mkpath(directory);
    return directory + QLatin1Char('/');
}
