#include "workbook/TableFile.h"

#include "base/MessageError.h"
#include "base/WriteAll.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// A block smaller than the byte-order mark could not tell it apart.
constexpr std::size_t kSmallestBlock = 16;

} // namespace

TableFile::TableFile(const QString& path, std::size_t blockSize)
    : path_(path), buffer_(std::max(blockSize, kSmallestBlock)) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw MessageError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, SystemReason(error)));
    }
    fd_ = FileDescriptor(fd);
}

std::string_view TableFile::NextBlock() {
    // Fill the whole block, so the byte-order mark is always within the first one.
    std::size_t filled = 0;
    if (const int error = ReadFully(fd_.Get(), buffer_.data(), buffer_.size(), -1, filled);
        error != 0)
        throw MessageError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path_, SystemReason(error)));
    std::string_view block(buffer_.data(), filled);
    if (atStart_) {
        atStart_ = false;
        if (block.starts_with(kByteOrderMark))
            block.remove_prefix(kByteOrderMark.size());
    }
    return block;
}
