#pragma once

#include "base/FileDescriptor.h"
#include "base/WriteAll.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <unistd.h>

// The table file of one harvest run: a UTF-8 text with byte-order mark, a header line of 101
// column names and one line per house, TAB between fields, CR LF after every line.
//
// Every text goes through a 1024-byte staging buffer that is written out whenever it is full and
// when the text is used up, so the file on disk holds every completed line once AppendRow has
// returned: a reader sees whole lines, and a program that is killed loses no finished row.
// Only one writer of the program may have a table open; other processes may read it meanwhile.
class OutputTable {
public:
    static constexpr std::size_t StagingSize = 1024;

    // directory ends with a separator; tickCount names the file ("data%d.tab", printed as a
    // signed 32-bit number). No file is touched yet.
    OutputTable(const QString& directory, std::uint32_t tickCount, WriteCall write = &::write);
    // The table of an earlier run, by its file name ("data%d.tab"), to be continued.
    OutputTable(const QString& directory, const QString& fileName, WriteCall write = &::write);
    OutputTable(const OutputTable&) = delete;
    OutputTable& operator=(const OutputTable&) = delete;
    ~OutputTable();

    const QString& TablePath() const { return tablePath_; }
    const QString& WorkbookPath() const { return workbookPath_; }
    bool IsOpen() const { return file_.IsOpen(); }

    // Creates the file, replacing an older one of the same name, and writes the byte-order mark,
    // the header line and CR LF. Fails with RecordsError when the file cannot be created or when
    // another writer holds it; that writer's table is left untouched.
    void Open();

    // Opens the existing file to write after its first `wholeLinesEnd` bytes (the end of its
    // last whole line, see ReadTableBack): a cut-off tail after them is removed first. Fails
    // like Open when the file is missing, shorter than that, or held by another writer.
    void Continue(qint64 wholeLinesEnd);

    // Bytes of the file up to the end of its last whole line.
    qint64 Size() const { return wholeLinesEnd_; }

    // Writes one house: exactly 101 fields, then CR LF. A failed write throws RecordsError and
    // cuts the file back to its last whole line.
    void AppendRow(const QStringList& fields);

    // Writes out what is staged and waits until the file's data is on the disk (fdatasync), so
    // that what is said about the table afterwards outlives a power cut. Throws RecordsError.
    void Flush();

    // Writes out what is staged and closes the file. Closing a closed table does nothing.
    void Close();

private:
    void WriteText(QStringView text);
    void WriteStaged();
    void DropUnfinishedLine();
    [[noreturn]] void ThrowWriteError(int errorNumber) const;

    QString tablePath_;
    QString workbookPath_;
    WriteCall write_;
    FileDescriptor file_;
    std::array<char, StagingSize> staging_{};
    std::size_t staged_ = 0;
    off_t written_ = 0;       // bytes that reached the file since Open
    off_t wholeLinesEnd_ = 0; // end of the last line that was written completely
};
