// The table's writes seen through a replaceable write call: how texts are staged, and what a
// failing or stuttering disk does to the file.

#include "ChildRows.h"
#include "RecordsTestSupport.h"
#include "records/OutputTable.h"
#include "records/RecordsError.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

// What the write seam does; reset by every test.
struct WriteSeam {
    std::vector<std::size_t> sizes; // size asked for by every call
    int failAtCall = -1;            // 0-based call that fails with failErrno
    int failErrno = ENOSPC;
    std::size_t maxChunk = 0; // when not 0, every call writes at most this many bytes
    int interruptEvery = 0;   // when not 0, every n-th call fails with EINTR first
};

WriteSeam seam;

ssize_t SeamWrite(int fd, const void* data, std::size_t size) {
    const int call = static_cast<int>(seam.sizes.size());
    seam.sizes.push_back(size);
    if (call == seam.failAtCall) {
        errno = seam.failErrno;
        return -1;
    }
    if (seam.interruptEvery != 0 && call % seam.interruptEvery == 0) {
        errno = EINTR;
        return -1;
    }
    if (seam.maxChunk != 0)
        size = std::min(size, seam.maxChunk);
    return ::write(fd, data, size);
}

// The sizes in which a text of that many bytes leaves a 1024-byte staging buffer.
std::vector<std::size_t> Chunks(std::size_t bytes) {
    std::vector<std::size_t> chunks;
    for (; bytes > 1024; bytes -= 1024)
        chunks.push_back(1024);
    if (bytes > 0)
        chunks.push_back(bytes);
    return chunks;
}

class OutputTableWrites : public ::testing::Test {
protected:
    void SetUp() override {
        seam = WriteSeam{};
        ASSERT_TRUE(dir_.isValid());
    }
    QString Directory() const { return dir_.path() + u'/'; }

private:
    QTemporaryDir dir_;
};

} // namespace

TEST_F(OutputTableWrites, EveryTextIsStagedInKilobytesAndWrittenOutWhenUsedUp) {
    OutputTable table(Directory(), 1, &SeamWrite);
    table.Open();
    const std::size_t headerBytes = static_cast<std::size_t>(HeaderLineBytes().size()) - 2;
    std::vector<std::size_t> expected = Chunks(headerBytes);
    expected.push_back(2); // CR LF
    EXPECT_EQ(seam.sizes, expected);

    seam.sizes.clear();
    const QByteArray row = RowLineBytes(ChildRow(3));
    ASSERT_GT(row.size(), 1024);
    table.AppendRow(ChildRow(3));
    expected = Chunks(static_cast<std::size_t>(row.size()) - 2);
    expected.push_back(2);
    EXPECT_EQ(seam.sizes, expected);

    seam.sizes.clear();
    table.Close();
    EXPECT_TRUE(seam.sizes.empty()) << "nothing may stay staged after a row";
}

TEST_F(OutputTableWrites, TextOfExactlyOneKilobyteIsOneWrite) {
    OutputTable table(Directory(), 1, &SeamWrite);
    table.Open();
    // 100 TABs + 924 one-byte characters = 1024 bytes.
    QStringList fields(TableColumnCount);
    fields[0] = QString(924, u'a');
    seam.sizes.clear();
    table.AppendRow(fields);
    EXPECT_EQ(seam.sizes, (std::vector<std::size_t>{1024, 2}));
    table.Close();
}

TEST_F(OutputTableWrites, ShortAndInterruptedWritesStillGiveTheExactFile) {
    seam.maxChunk = 100;
    seam.interruptEvery = 3;
    OutputTable table(Directory(), 1, &SeamWrite);
    table.Open();
    table.AppendRow(ChildRow(0));
    table.AppendRow(ChildRow(1));
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()),
              HeaderLineBytes() + RowLineBytes(ChildRow(0)) + RowLineBytes(ChildRow(1)));
}

TEST_F(OutputTableWrites, FailedWriteIsReportedAndTheUnfinishedLineCutOff) {
    OutputTable table(Directory(), 1, &SeamWrite);
    table.Open();
    table.AppendRow(ChildRow(0));
    // The next row goes out in chunks of 1024 bytes, then CR LF; each failing call is tried.
    const int rowCalls = static_cast<int>(Chunks(RowLineBytes(ChildRow(1)).size() - 2).size()) + 1;
    for (int failing = 0; failing < rowCalls; ++failing) {
        SCOPED_TRACE(failing);
        seam.failAtCall = static_cast<int>(seam.sizes.size()) + failing;
        try {
            table.AppendRow(ChildRow(1));
            ADD_FAILURE() << "the failed write was not reported";
        } catch (const RecordsError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("Cannot write file \"%1\". No space left on "
                                                      "device")
                                           .arg(table.TablePath()));
        }
        EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes() + RowLineBytes(ChildRow(0)));
    }

    seam.failAtCall = -1;
    table.AppendRow(ChildRow(2));
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()),
              HeaderLineBytes() + RowLineBytes(ChildRow(0)) + RowLineBytes(ChildRow(2)));
}

TEST_F(OutputTableWrites, FailedHeaderWriteFailsOpen) {
    seam.failAtCall = 2;
    seam.failErrno = EIO;
    OutputTable table(Directory(), 1, &SeamWrite);
    try {
        table.Open();
        ADD_FAILURE() << "opened";
    } catch (const RecordsError& error) {
        EXPECT_EQ(
            error.message(),
            QStringLiteral("Cannot write file \"%1\". Input/output error").arg(table.TablePath()));
    }
    EXPECT_FALSE(table.IsOpen());
    EXPECT_TRUE(ReadFileBytes(table.TablePath()).isEmpty());
}
