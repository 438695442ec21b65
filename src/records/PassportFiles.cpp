#include "records/PassportFiles.h"

#include "base/FileDescriptor.h"
#include "records/RecordsError.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString PassportFolder(const QString& directory) {
    return directory + u"json";
}

// The guid as a log can show it: control characters written as \uXXXX.
QString Printable(const QString& text) {
    QString result;
    for (const QChar unit : text) {
        if (unit.unicode() < 0x20 || unit.unicode() == 0x7F)
            result += QStringLiteral("\\u%1").arg(unit.unicode(), 4, 16, QLatin1Char('0'));
        else
            result += unit;
    }
    return result;
}

} // namespace

bool PreparePassportFolder(const QString& directory) {
    const QByteArray folder = QFile::encodeName(PassportFolder(directory));
    struct stat status {};
    if (::stat(folder.constData(), &status) == 0)
        return S_ISDIR(status.st_mode);
    return ::mkdir(folder.constData(), 0755) == 0;
}

bool IsSafePassportName(const QString& guid) {
    if (guid.isEmpty() || guid == u"." || guid == u"..")
        return false;
    for (const QChar unit : guid) {
        if (unit == u'/' || unit.unicode() < 0x20 || unit.unicode() == 0x7F)
            return false;
    }
    return true;
}

void SavePassport(const QString& directory, const QString& guid, const QByteArray& bytes,
                  WriteCall write) {
    if (!IsSafePassportName(guid))
        throw RecordsError(
            QStringLiteral("Passport not saved: the house guid \"%1\" is not a safe file name.")
                .arg(Printable(guid)));

    const QString path = PassportFolder(directory) + u'/' + guid + u".json";
    const QByteArray name = QFile::encodeName(path);
    // O_NOFOLLOW: a link planted under a passport's name is not followed out of the folder.
    FileDescriptor file(
        ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!file.IsOpen())
        throw RecordsError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, SystemReason(errno)));

    int error =
        WriteAll(write, file.Get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (file.Close() != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error != 0)
        throw RecordsError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, SystemReason(error)));
}
