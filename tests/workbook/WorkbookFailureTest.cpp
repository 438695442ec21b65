#include "WorkbookTestSupport.h"
#include "base/MessageError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// The harvest's steps; the failure's message, or an empty text.
QString FailureOf(const QString& tablePath, const QString& workbookPath) {
    try {
        SpreadsheetTable sheet;
        sheet.OpenText(tablePath);
        sheet.FreezeHeaderRow();
        sheet.SaveAs(workbookPath);
        sheet.Close();
    } catch (const MessageError& error) {
        return error.message();
    }
    return {};
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden |
                                  QDir::System);
}

} // namespace

TEST(WorkbookFailures, AMissingTableOrWorkbookFolderIsReportedByItsPath) {
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("data1.tab"));
    const QString workbook = dir.filePath(QStringLiteral("data1.xlsx"));
    EXPECT_EQ(FailureOf(table, workbook),
              QStringLiteral("Cannot open file \"%1\". %2").arg(table, SystemReason(ENOENT)));
    EXPECT_TRUE(Entries(dir.path()).isEmpty());

    WriteFileBytes(table, "h\r\n1\r\n");
    const QString elsewhere = dir.filePath(QStringLiteral("no-such-folder/data1.xlsx"));
    EXPECT_EQ(FailureOf(table, elsewhere),
              QStringLiteral("Cannot create file \"%1\". %2").arg(elsewhere, SystemReason(ENOENT)));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("data1.tab")});
}

// A disk that fills up (files may grow to 64 KiB; writes beyond fail with EFBIG): the failure
// names the workbook, the older workbook stays as it was, and neither folder keeps a file, nor is
// a removed temporary file still held open (which would keep its disk space taken).
TEST(WorkbookFailures, AFullDiskLeavesTheOlderWorkbookAndNothingElse) {
    QTemporaryDir dir;
    QTemporaryDir temp;
    const QString table = dir.filePath(QStringLiteral("data1.tab"));
    const QString workbook = dir.filePath(QStringLiteral("data1.xlsx"));
    std::vector<QStringList> lines{{QStringLiteral("h")}};
    for (int n = 0; n < 20000; ++n)
        lines.push_back({QStringLiteral("дом %1").arg(n * 7919 % 100003), QString::number(n, 36)});
    WriteFileBytes(table, TableBytes(lines));
    WriteFileBytes(workbook, "the workbook of an earlier run");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    const qsizetype openFiles = Entries(QStringLiteral("/proc/self/fd")).size();

    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 64 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    const QString failure = FailureOf(table, workbook);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    qputenv("TMPDIR", oldTemp);

    EXPECT_EQ(Entries(QStringLiteral("/proc/self/fd")).size(), openFiles);
    EXPECT_TRUE(failure.contains(u'"' + workbook + u'"')) << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(SystemReason(EFBIG))) << failure.toStdString();
    QFile older(workbook);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), "the workbook of an earlier run");
    EXPECT_EQ(Entries(dir.path()),
              (QStringList{QStringLiteral("data1.tab"), QStringLiteral("data1.xlsx")}));
    EXPECT_TRUE(Entries(temp.path()).isEmpty());
}
