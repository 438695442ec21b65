#pragma once

#include "base/FileDescriptor.h"

#include <QString>
#include <cstddef>
#include <string_view>
#include <vector>

// The table file read from start to end in large blocks, the UTF-8 byte-order mark at its start
// left out.
class TableFile {
public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    // Throws MessageError naming the path when the file cannot be opened.
    explicit TableFile(const QString& path, std::size_t blockSize = kBlockSize);

    // The next block of the file; empty at its end. Throws MessageError when reading fails.
    std::string_view NextBlock();

private:
    QString path_;
    FileDescriptor fd_;
    std::vector<char> buffer_;
    bool atStart_ = true;
};
