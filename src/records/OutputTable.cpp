#include "records/OutputTable.h"

#include "records/RecordsError.h"
#include "records/TableHeader.h"
#include "records/TableRowText.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QChar kByteOrderMark = QChar(0xFEFF);

QString CannotCreateMessage(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

} // namespace

OutputTable::OutputTable(const QString& directory, std::uint32_t tickCount, WriteCall write)
    : write_(write) {
    // The name carries the tick count as the system prints a signed 32-bit number, so counts of
    // 2^31 and more give a minus sign: 4294967295 names "data-1.tab".
    const QString fileName = QStringLiteral("data%1.tab").arg(static_cast<std::int32_t>(tickCount));
    tablePath_ = directory + fileName;
    workbookPath_ =
        directory + QString(fileName).replace(QStringLiteral(".tab"), QStringLiteral(".xlsx"));
}

OutputTable::OutputTable(const QString& directory, const QString& fileName, WriteCall write)
    : write_(write) {
    tablePath_ = directory + fileName;
    workbookPath_ =
        directory + QString(fileName).replace(QStringLiteral(".tab"), QStringLiteral(".xlsx"));
}

OutputTable::~OutputTable() {
    try {
        Close();
    } catch (...) {
        // Every finished line is on disk already; a failing close changes nothing of it, and a
        // destructor must not throw.
    }
}

void OutputTable::Open() {
    Close();

    const QByteArray name = QFile::encodeName(tablePath_);
    // Not truncated yet: the lock decides first whether this run may write the file at all, so a
    // second writer never empties the table of the one that holds it.
    FileDescriptor file(::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        throw RecordsError(CannotCreateMessage(tablePath_, SystemReason(errno)));
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw RecordsError(CannotCreateMessage(
                tablePath_,
                QStringLiteral("The table is being written by another run of the program.")));
        throw RecordsError(CannotCreateMessage(tablePath_, SystemReason(errno)));
    }
    if (::ftruncate(file.Get(), 0) != 0)
        throw RecordsError(CannotCreateMessage(tablePath_, SystemReason(errno)));

    file_ = std::move(file);
    staged_ = 0;
    written_ = 0;
    wholeLinesEnd_ = 0;
    try {
        WriteText(QString(kByteOrderMark + TableHeaderNames().join(u'\t')));
        WriteText(kLineBreak);
    } catch (...) {
        file_.Close();
        throw;
    }
    wholeLinesEnd_ = written_;
}

void OutputTable::Continue(qint64 wholeLinesEnd) {
    Close();

    const QByteArray name = QFile::encodeName(tablePath_);
    FileDescriptor file(::open(name.constData(), O_RDWR | O_CLOEXEC));
    const auto refuse = [this](const QString& reason) {
        throw RecordsError(
            QStringLiteral("Cannot continue file \"%1\". %2").arg(tablePath_, reason));
    };
    if (!file.IsOpen())
        refuse(SystemReason(errno));
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
        refuse(errno == EWOULDBLOCK
                   ? QStringLiteral("The table is being written by another run of the program.")
                   : SystemReason(errno));
    const off_t size = ::lseek(file.Get(), 0, SEEK_END);
    if (size < 0)
        refuse(SystemReason(errno));
    if (size < wholeLinesEnd)
        refuse(QStringLiteral("The file is shorter than when it was read."));
    if (::ftruncate(file.Get(), wholeLinesEnd) != 0 ||
        ::lseek(file.Get(), wholeLinesEnd, SEEK_SET) != wholeLinesEnd)
        refuse(SystemReason(errno));

    file_ = std::move(file);
    staged_ = 0;
    written_ = wholeLinesEnd;
    wholeLinesEnd_ = wholeLinesEnd;
}

void OutputTable::AppendRow(const QStringList& fields) {
    if (!file_.IsOpen())
        throw RecordsError(
            QStringLiteral("Cannot write file \"%1\". The table is not open.").arg(tablePath_));
    if (fields.size() != TableColumnCount)
        throw RecordsError(QStringLiteral("Cannot write file \"%1\". A row has %2 fields, not %3.")
                               .arg(tablePath_)
                               .arg(fields.size())
                               .arg(TableColumnCount));
    WriteText(TableRowText(fields));
    WriteText(kLineBreak);
    wholeLinesEnd_ = written_;
}

void OutputTable::Flush() {
    if (!file_.IsOpen())
        return;
    WriteStaged();
    if (::fdatasync(file_.Get()) != 0)
        ThrowWriteError(errno);
}

void OutputTable::Close() {
    if (!file_.IsOpen())
        return;
    WriteStaged();
    if (file_.Close() != 0 && errno != EINTR)
        ThrowWriteError(errno);
}

void OutputTable::WriteText(QStringView text) {
    const QByteArray bytes = text.toUtf8();
    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const std::size_t chunk = std::min(left, StagingSize - staged_);
        std::memcpy(staging_.data() + staged_, data, chunk);
        staged_ += chunk;
        data += chunk;
        left -= chunk;
        if (staged_ == StagingSize)
            WriteStaged();
    }
    WriteStaged();
}

void OutputTable::WriteStaged() {
    if (staged_ == 0)
        return;
    const std::size_t size = staged_;
    staged_ = 0;
    if (const int error = WriteAll(write_, file_.Get(), staging_.data(), size); error != 0) {
        DropUnfinishedLine();
        ThrowWriteError(error);
    }
    written_ += static_cast<off_t>(size);
}

void OutputTable::DropUnfinishedLine() {
    // A part of a line would glue the next row onto it; cut the file back to its last line end.
    // When even that fails, the error about to be raised says enough.
    if (::ftruncate(file_.Get(), wholeLinesEnd_) == 0 &&
        ::lseek(file_.Get(), wholeLinesEnd_, SEEK_SET) == wholeLinesEnd_)
        written_ = wholeLinesEnd_;
}

void OutputTable::ThrowWriteError(int errorNumber) const {
    throw RecordsError(
        QStringLiteral("Cannot write file \"%1\". %2").arg(tablePath_, SystemReason(errorNumber)));
}
