#include "workbook/TableSplitter.h"

#include <algorithm>

namespace {

std::size_t FindDelimiter(std::string_view block, std::size_t from) {
    const char* data = block.data();
    for (std::size_t i = from; i < block.size(); ++i) {
        if (data[i] == '\t' || data[i] == '\n')
            return i;
    }
    return block.size();
}

} // namespace

TableSplitter::TableSplitter(TableSink& sink, std::size_t fieldCap)
    : sink_(sink), fieldCap_(fieldCap) {}

bool TableSplitter::Feed(std::string_view block) {
    std::size_t pos = 0;
    while (pos < block.size()) {
        lineStarted_ = true;
        const std::size_t end = FindDelimiter(block, pos);
        if (end == block.size()) {
            Keep(block.substr(pos));
            return true;
        }
        const bool lineEnd = block[end] == '\n';
        if (!EndField(block.substr(pos, end - pos), lineEnd))
            return false;
        if (lineEnd && !EndLine())
            return false;
        pos = end + 1;
    }
    return true;
}

bool TableSplitter::Finish() {
    if (!lineStarted_)
        return true;
    return EndField({}, true) && EndLine();
}

void TableSplitter::Keep(std::string_view piece) {
    const std::size_t room = fieldCap_ + 1 - std::min(pending_.size(), fieldCap_ + 1);
    pending_.append(piece.substr(0, std::min(room, piece.size())));
    if (piece.size() > room)
        pendingOverflowed_ = true;
}

bool TableSplitter::EndField(std::string_view piece, bool lineEnd) {
    // A field that lies wholly within the block is handed over without a copy.
    const bool whole = pending_.empty() && !pendingOverflowed_;
    if (!whole)
        Keep(piece);
    std::string_view bytes = whole ? piece : std::string_view(pending_);
    bool overflowed = !whole && pendingOverflowed_;
    if (lineEnd && !overflowed && bytes.ends_with('\r'))
        bytes.remove_suffix(1);
    if (bytes.size() > fieldCap_) {
        bytes = bytes.substr(0, fieldCap_);
        overflowed = true;
    }
    const bool goOn = sink_.Field(column_, bytes, overflowed);
    pending_.clear();
    pendingOverflowed_ = false;
    ++column_;
    return goOn;
}

bool TableSplitter::EndLine() {
    column_ = 0;
    lineStarted_ = false;
    return sink_.LineEnd();
}
