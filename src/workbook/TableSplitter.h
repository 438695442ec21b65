#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Receives the fields and line ends of a table in the order of the file.
class TableSink {
public:
    virtual ~TableSink() = default;
    // One field of the current line, its line end left out. `overflowed`: the field was longer
    // than the splitter's field cap and `bytes` holds only its first cap bytes. Gives false to
    // stop the reading.
    virtual bool Field(std::size_t column, std::string_view bytes, bool overflowed) = 0;
    // The end of the current line. Gives false to stop the reading.
    virtual bool LineEnd() = 0;
};

// Splits a table's bytes, handed over in blocks of any size, into fields (TAB) and lines (LF,
// with one CR before it dropped). A last line without line end is a line; every line has at least
// one field, an empty line one empty field. A field longer than the cap is kept only up to the
// cap, so one line never holds more memory than its columns times the cap.
class TableSplitter {
public:
    TableSplitter(TableSink& sink, std::size_t fieldCap);

    // Gives false when the sink stopped the reading.
    bool Feed(std::string_view block);
    // The end of the table: ends a last line that has no line end. Gives false when the sink
    // stopped the reading.
    bool Finish();

private:
    void Keep(std::string_view piece);
    bool EndField(std::string_view piece, bool lineEnd);
    bool EndLine();

    TableSink& sink_;
    std::size_t fieldCap_;
    // The start of a field that began in an earlier block: at most fieldCap_ + 1 bytes, the one
    // more for a CR that may turn out to be the line end's.
    std::string pending_;
    bool pendingOverflowed_ = false;
    bool lineStarted_ = false;
    std::size_t column_ = 0;
};
