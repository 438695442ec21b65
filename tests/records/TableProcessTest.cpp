// The table as other processes see it: a reader while it is written, a writer killed with
// SIGKILL, and a second writer of the program. The writer is table_writer_child.

#include "ChildRows.h"
#include "RecordsTestSupport.h"
#include "records/OutputTable.h"
#include "records/RecordsError.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <vector>

namespace {

constexpr std::uint32_t kTick = 3000000000u; // names data-1294967296.tab

// One writer process, killed if the test leaves it running.
class ChildWriter {
public:
    ChildWriter(const QString& directory, int rows, int holdAfter) {
        process_.setProgram(QStringLiteral(TABLE_WRITER_CHILD));
        process_.setArguments(
            {directory, QString::number(kTick), QString::number(rows), QString::number(holdAfter)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ChildWriter(const ChildWriter&) = delete;
    ChildWriter& operator=(const ChildWriter&) = delete;
    ~ChildWriter() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(-1);
        }
    }

    // Reads the child's report lines until one equals line; false when the child ends first.
    bool WaitForLine(const QByteArray& line) {
        for (;;) {
            while (process_.canReadLine()) {
                const QByteArray got = process_.readLine().trimmed();
                if (got == line)
                    return true;
                if (got.startsWith("error"))
                    return false;
            }
            if (!process_.waitForReadyRead(-1) && !process_.canReadLine())
                return false;
        }
    }

    void Release() { process_.write("go\n"); }

    // Reads whatever report lines are there without waiting (the child must never block on a
    // full pipe); true once the line has come or the child has ended.
    bool PollForLine(const QByteArray& line) {
        process_.waitForReadyRead(0);
        while (process_.canReadLine()) {
            if (process_.readLine().trimmed() == line)
                return true;
        }
        return process_.state() == QProcess::NotRunning;
    }

    void KillHard() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(-1);
    }

    bool FinishedCleanly() {
        process_.closeWriteChannel();
        return process_.waitForFinished(-1) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }

    QProcess::ExitStatus ExitStatus() const { return process_.exitStatus(); }

private:
    QProcess process_;
};

// The line of child row index, made once.
const QByteArray& ChildLine(int index) {
    static std::vector<QByteArray> lines;
    while (static_cast<int>(lines.size()) <= index)
        lines.push_back(RowLineBytes(ChildRow(static_cast<int>(lines.size()))));
    return lines[static_cast<std::size_t>(index)];
}

// Checks that bytes are a table of whole child rows, possibly followed by the start of the next
// line, and gives the number of whole rows.
int WholeRows(const QByteArray& bytes) {
    const QByteArray header = HeaderLineBytes();
    if (bytes.size() < header.size()) {
        EXPECT_TRUE(header.startsWith(bytes)) << "the header is not what was written";
        return 0;
    }
    EXPECT_TRUE(bytes.startsWith(header));
    QByteArrayView rest = QByteArrayView(bytes).sliced(header.size());
    int rows = 0;
    for (;;) {
        const QByteArray& line = ChildLine(rows);
        if (rest.startsWith(line)) {
            rest = rest.sliced(line.size());
            ++rows;
            continue;
        }
        // Only the line being written may be incomplete, and it is the next row's beginning.
        EXPECT_TRUE(QByteArrayView(line).startsWith(rest))
            << "after " << rows << " whole rows the file holds " << rest.size()
            << " bytes that are not the next row";
        EXPECT_FALSE(rest.contains('\n')) << "an incomplete line is followed by another line";
        return rows;
    }
}

} // namespace

TEST(TableProcess, RowsWrittenBeforeSigkillAreAllWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString directory = dir.path() + u'/';
    const QString path = OutputTable(directory, kTick).TablePath();
    {
        ChildWriter child(directory, 40, 25);
        ASSERT_TRUE(child.WaitForLine("holding"));
        child.KillHard();
        EXPECT_EQ(child.ExitStatus(), QProcess::CrashExit);
    }
    QByteArray expected = HeaderLineBytes();
    for (int index = 0; index < 25; ++index)
        expected += RowLineBytes(ChildRow(index));
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(TableProcess, SigkillWhileWritingLeavesWholeRowsAndAtMostOnePartialLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString directory = dir.path() + u'/';
    const QString path = OutputTable(directory, kTick).TablePath();
    {
        ChildWriter child(directory, 1000000, 0);
        ASSERT_TRUE(child.WaitForLine("row 200"));
        child.KillHard();
    }
    const int rows = WholeRows(ReadFileBytes(path));
    EXPECT_GE(rows, 200) << "a row reported as written is missing";
}

TEST(TableProcess, ReaderWhileWritingSeesOnlyWholeLines) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString directory = dir.path() + u'/';
    const QString path = OutputTable(directory, kTick).TablePath();
    constexpr int kRows = 1500;
    ChildWriter child(directory, kRows, 100);

    // A look while the writer waits in the middle of its run.
    ASSERT_TRUE(child.WaitForLine("holding"));
    EXPECT_EQ(WholeRows(ReadFileBytes(path)), 100);

    // Then looks while it writes on.
    child.Release();
    int looks = 0;
    int lastRows = 100;
    while (!child.PollForLine("done")) {
        const int rows = WholeRows(ReadFileBytes(path));
        EXPECT_GE(rows, lastRows) << "rows vanished from the file";
        lastRows = rows;
        ++looks;
        if (::testing::Test::HasFailure())
            break;
    }
    ASSERT_TRUE(child.FinishedCleanly());
    EXPECT_EQ(WholeRows(ReadFileBytes(path)), kRows);
    RecordProperty("looks_while_writing", looks);
}

TEST(TableProcess, SecondWriterProcessIsRefusedUntilTheFirstEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString directory = dir.path() + u'/';
    OutputTable table(directory, kTick);
    {
        ChildWriter child(directory, 3, 3);
        ASSERT_TRUE(child.WaitForLine("holding"));
        const QByteArray before = ReadFileBytes(table.TablePath());
        EXPECT_THROW(table.Open(), RecordsError);
        EXPECT_EQ(ReadFileBytes(table.TablePath()), before);
        EXPECT_EQ(WholeRows(before), 3);
        child.KillHard();
    }
    table.Open(); // the lock ended with the process
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes());
}
