#include "harvest/RunLogFile.h"

#include "base/MessageError.h"
#include "harvest/LogFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>

QString RunLogFile::Begin(const QString& directory, std::uint32_t tickCount) {
    file_ = FileDescriptor();
    directory_ = directory;
    path_ = directory + PartialLogFileName(tickCount);
    failed_ = false;
    const QByteArray name = QFile::encodeName(path_);
    file_ =
        FileDescriptor(::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file_.IsOpen())
        return Fail(SystemReason(errno));
    return {};
}

QString RunLogFile::Append(const QString& line) {
    if (!file_.IsOpen() || failed_)
        return {};
    bytes_.clear();
    bytes_ += encoder_.encode(line);
    bytes_ += "\r\n";
    if (const int error =
            WriteAll(write_, file_.Get(), bytes_.constData(), std::size_t(bytes_.size()));
        error != 0)
        return Fail(SystemReason(error));
    return {};
}

void RunLogFile::Finish(const QString& name) {
    if (failed_) {
        file_ = FileDescriptor();
        throw MessageError(QStringLiteral("Cannot write file \"%1\".").arg(path_));
    }
    const QString target = directory_ + name;
    if (std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target).constData()) !=
        0) {
        const int error = errno;
        failed_ = true;
        file_ = FileDescriptor();
        throw MessageError(QStringLiteral("Cannot write file \"%1\". %2 (the lines are in \"%3\")")
                               .arg(target, SystemReason(error), path_));
    }
    // The lines after the end report (the workbook's) follow in the renamed file.
    path_ = target;
}

void RunLogFile::Close() {
    if (file_.IsOpen() && file_.Close() != 0)
        failed_ = true;
}

QString RunLogFile::Fail(const QString& reason) {
    failed_ = true;
    file_ = FileDescriptor();
    return QStringLiteral("Cannot write file \"%1\". %2").arg(path_, reason);
}
