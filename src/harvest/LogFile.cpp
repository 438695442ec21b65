#include "harvest/LogFile.h"

#include "base/MessageError.h"

#include <QSaveFile>
#include <QStringEncoder>

QString LogFileName(std::uint32_t tickCount) {
    return QStringLiteral("log-%1.txt").arg(static_cast<std::int32_t>(tickCount));
}

void SaveLogFile(const QString& path, const QStringList& lines) {
    QStringEncoder encode(QStringConverter::System);
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encode(line);
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw MessageError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}
