#pragma once

#include "base/FileDescriptor.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

// A table written by this program read row by row in large blocks, so a table of any size costs
// only its longest row in memory. The header line must be this program's; every row must be
// whole (101 fields, CR LF) and carry a house link. Every refusal is a RecordsError that names
// the file, the line (the header is line 1) and the reason.
class TableRowReader {
public:
    explicit TableRowReader(const QString& path);

    const QString& Path() const { return path_; }

    // The next row's text without its CR LF and the offset of its first byte in the file; false
    // after the last row. The text stays valid until the next call.
    bool Next(QByteArrayView& row, qint64& offset);
    // The line number of the row Next gave last.
    qint64 LineNumber() const { return line_; }

private:
    bool FillMore();
    [[noreturn]] void Refuse(qint64 line, const QString& reason) const;
    void CheckHeader();

    QString path_;
    FileDescriptor fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0; // first byte not yet handed out
    std::size_t end_ = 0;   // end of the bytes read into the buffer
    qint64 bufferOffset_ = 0;
    bool atEnd_ = false;
    qint64 line_ = 1;
};

// Rows of a table fetched again by their offsets (as TableRowReader gave them).
class TableRowLookup {
public:
    explicit TableRowLookup(const QString& path);
    // The row's text without its CR LF; valid until the next call.
    QByteArrayView RowAt(qint64 offset);

private:
    QString path_;
    FileDescriptor fd_;
    std::vector<char> buffer_;
};

// "Таблица \"<path>\", строка <line>: <reason>", the text of every refusal of a table.
QString TableLineProblem(const QString& path, qint64 line, const QString& reason);
