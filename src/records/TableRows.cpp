#include "records/TableRows.h"

#include "base/WriteAll.h"
#include "records/RecordsError.h"
#include "records/TableHeader.h"
#include "records/TableReadBack.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;
// A row longer than this is no row of ours; the cap bounds the reader's memory.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;
constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

FileDescriptor OpenForReading(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw RecordsError(TableLineProblem(
            path, 1, QStringLiteral("файл не открывается (%1)").arg(SystemReason(error))));
    }
    return FileDescriptor(fd);
}

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
std::size_t ReadAt(const QString& path, int fd, char* into, std::size_t size, qint64 offset) {
    std::size_t filled = 0;
    if (const int error = ReadFully(fd, into, size, off_t(offset), filled); error != 0)
        throw RecordsError(
            QStringLiteral("Таблица \"%1\" не читается (%2)").arg(path, SystemReason(error)));
    return filled;
}

} // namespace

QString TableLineProblem(const QString& path, qint64 line, const QString& reason) {
    return QStringLiteral("Таблица \"%1\", строка %2: %3").arg(path).arg(line).arg(reason);
}

TableRowReader::TableRowReader(const QString& path)
    : path_(path), fd_(OpenForReading(path)), buffer_(kBlockSize) {
    CheckHeader();
}

void TableRowReader::Refuse(qint64 line, const QString& reason) const {
    throw RecordsError(TableLineProblem(path_, line, reason));
}

bool TableRowReader::FillMore() {
    if (atEnd_)
        return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        bufferOffset_ += qint64(begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) {
        if (buffer_.size() >= kLongestLine)
            Refuse(line_ + 1, QStringLiteral("строка длиннее %1 МБ").arg(kLongestLine >> 20));
        buffer_.resize(std::min(buffer_.size() * 2, kLongestLine));
    }
    const std::size_t got = ReadAt(path_, fd_.Get(), buffer_.data() + end_, buffer_.size() - end_,
                                   bufferOffset_ + qint64(end_));
    end_ += got;
    atEnd_ = got == 0;
    return got > 0;
}

void TableRowReader::CheckHeader() {
    while (!atEnd_ && std::memchr(buffer_.data(), '\n', end_) == nullptr)
        FillMore();
    if (end_ == 0)
        Refuse(1, QStringLiteral("файл пуст, в нём нет даже строки заголовка"));
    const QByteArrayView bytes(buffer_.data(), qsizetype(end_));
    const qsizetype lineFeed = bytes.indexOf('\n');
    const QByteArrayView line = lineFeed < 0 ? bytes : bytes.first(lineFeed);
    const QStringList& names = TableHeaderNames();
    const QByteArray firstName = kByteOrderMark.toByteArray() + names.first().toUtf8();
    if (!line.startsWith(firstName))
        Refuse(1, QStringLiteral("это не таблица выгрузки домов: в начале нет её строки "
                                 "заголовка"));
    if (lineFeed < 0 || !line.endsWith('\r'))
        Refuse(1, QStringLiteral("строка заголовка оборвана (нет конца строки)"));
    const QStringList found =
        QString::fromUtf8(line.sliced(kByteOrderMark.size()).chopped(1)).split(u'\t');
    if (found.size() != TableColumnCount)
        Refuse(1, QStringLiteral("заголовок другой версии программы: %1 столбцов вместо %2")
                      .arg(found.size())
                      .arg(TableColumnCount));
    for (qsizetype column = 0; column < found.size(); ++column)
        if (found[column] != names[column])
            Refuse(1, QStringLiteral("заголовок другой версии программы: столбец %1 «%2» "
                                     "вместо «%3»")
                          .arg(column + 1)
                          .arg(found[column], names[column]));
    begin_ = std::size_t(lineFeed) + 1;
}

bool TableRowReader::Next(QByteArrayView& row, qint64& offset) {
    const char* lineFeed = nullptr;
    std::size_t searched = begin_;
    while ((lineFeed = static_cast<const char*>(
                std::memchr(buffer_.data() + searched, '\n', end_ - searched))) == nullptr) {
        const std::size_t pending = end_ - begin_;
        if (!FillMore()) {
            if (pending == 0)
                return false;
            Refuse(line_ + 1, QStringLiteral("строка оборвана: таблица кончается посреди строки"));
        }
        searched = begin_ + pending;
    }
    ++line_;
    const QByteArrayView line(buffer_.data() + begin_, lineFeed - (buffer_.data() + begin_));
    offset = bufferOffset_ + qint64(begin_);
    begin_ = std::size_t(lineFeed - buffer_.data()) + 1;
    if (!line.endsWith('\r'))
        Refuse(line_, QStringLiteral("строка кончается без CR LF"));
    row = line.chopped(1);
    const qsizetype fields = std::count(row.begin(), row.end(), '\t') + 1;
    if (fields != TableColumnCount)
        Refuse(line_, QStringLiteral("%1 полей вместо %2").arg(fields).arg(TableColumnCount));
    if (RowHouseGuid(row).isEmpty())
        Refuse(line_, QStringLiteral("в первом столбце нет ссылки на дом"));
    return true;
}

TableRowLookup::TableRowLookup(const QString& path)
    : path_(path), fd_(OpenForReading(path)), buffer_(std::size_t{64} << 10) {}

QByteArrayView TableRowLookup::RowAt(qint64 offset) {
    std::size_t filled = 0;
    for (;;) {
        const std::size_t got = ReadAt(path_, fd_.Get(), buffer_.data() + filled,
                                       buffer_.size() - filled, offset + qint64(filled));
        const char* lineFeed =
            static_cast<const char*>(std::memchr(buffer_.data() + filled, '\n', got));
        filled += got;
        if (lineFeed != nullptr) {
            const QByteArrayView line(buffer_.data(), lineFeed - buffer_.data());
            return line.endsWith('\r') ? line.chopped(1) : line;
        }
        if (got == 0 || buffer_.size() >= kLongestLine)
            throw RecordsError(
                QStringLiteral("Таблица \"%1\" изменилась, пока её читали").arg(path_));
        buffer_.resize(std::min(buffer_.size() * 2, kLongestLine));
    }
}
