#include "workbook/TemporaryWorkbookFile.h"

#include "base/FileDescriptor.h"
#include "base/MessageError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 16;

QString CandidateName(const QString& finalPath) {
    const quint32 random = QRandomGenerator::global()->generate();
    return finalPath + u'.' + QString::number(random, 16).rightJustified(8, u'0') + u".tmp";
}

} // namespace

TemporaryWorkbookFile::TemporaryWorkbookFile(const QString& finalPath) : finalPath_(finalPath) {
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        const QString candidate = CandidateName(finalPath);
        // 0666 less the umask: the workbook gets the permissions of any new file of the user.
        FileDescriptor fd(::open(QFile::encodeName(candidate).constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.IsOpen()) {
            path_ = candidate;
            return;
        }
        error = errno;
    }
    throw MessageError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(finalPath, SystemReason(error)));
}

TemporaryWorkbookFile::~TemporaryWorkbookFile() {
    if (!committed_)
        ::unlink(QFile::encodeName(path_).constData());
}

void TemporaryWorkbookFile::Commit() {
    if (std::rename(QFile::encodeName(path_).constData(),
                    QFile::encodeName(finalPath_).constData()) != 0) {
        const int error = errno;
        throw MessageError(
            QStringLiteral("Cannot save file \"%1\". %2").arg(finalPath_, SystemReason(error)));
    }
    committed_ = true;
}

void RemoveTemporaryWorkbooks(const QString& finalPath) {
    const QFileInfo workbook(finalPath);
    QDir folder = workbook.dir();
    const QStringList names = folder.entryList({workbook.fileName() + QStringLiteral(".*.tmp")},
                                               QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        folder.remove(name);
}
