#include "records/OutputTable.h"

#include "ChildRows.h"
#include "RecordsTestSupport.h"
#include "records/RecordsError.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString DirectoryOf(const QTemporaryDir& dir) {
    return dir.path() + u'/';
}

QStringList RowOfTexts(const QString& text) {
    return QStringList(TableColumnCount, text);
}

} // namespace

TEST(OutputTablePaths, AreNamedByTheTickCountAsASigned32BitNumber) {
    struct Case {
        std::uint32_t tick;
        const char* table;
        const char* workbook;
    };
    const Case cases[] = {
        {0, "/run/data0.tab", "/run/data0.xlsx"},
        {1234567, "/run/data1234567.tab", "/run/data1234567.xlsx"},
        {2147483647, "/run/data2147483647.tab", "/run/data2147483647.xlsx"},
        {2147483648u, "/run/data-2147483648.tab", "/run/data-2147483648.xlsx"},
        {4294967295u, "/run/data-1.tab", "/run/data-1.xlsx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        const OutputTable table(QStringLiteral("/run/"), c.tick);
        EXPECT_EQ(table.TablePath(), QString::fromLatin1(c.table));
        EXPECT_EQ(table.WorkbookPath(), QString::fromLatin1(c.workbook));
        EXPECT_FALSE(table.IsOpen());
    }
}

TEST(OutputTablePaths, OnlyTheFileNameTakesTheWorkbookExtension) {
    const OutputTable table(QStringLiteral("/home/user/old.tab.d/"), 5);
    EXPECT_EQ(table.TablePath(), QStringLiteral("/home/user/old.tab.d/data5.tab"));
    EXPECT_EQ(table.WorkbookPath(), QStringLiteral("/home/user/old.tab.d/data5.xlsx"));
}

TEST(OutputTablePaths, CreatingTheWriterTouchesNoFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    { const OutputTable table(DirectoryOf(dir), 9); }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(OutputTable, FreshTableIsByteOrderMarkHeaderAndLineBreak) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 42);
    table.Open();
    EXPECT_TRUE(table.IsOpen());
    // On disk at once, before Close.
    const QByteArray whileOpen = ReadFileBytes(table.TablePath());
    table.Close();
    EXPECT_FALSE(table.IsOpen());
    const QByteArray bytes = ReadFileBytes(table.TablePath());
    EXPECT_EQ(whileOpen, bytes);
    EXPECT_EQ(bytes, HeaderLineBytes());
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF\xD0\xA1"));       // BOM, then "С"
    EXPECT_TRUE(bytes.endsWith("\xD1\x82\xD0\xBA\xD0\xB0\r\n")); // "...участка" CR LF
    EXPECT_EQ(bytes.count('\t'), 100);
    EXPECT_EQ(bytes.count('\r'), 1);
    EXPECT_EQ(bytes.count('\n'), 1);
}

TEST(OutputTable, ReplacesAnOlderFileOfTheSameName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 42);
    WriteFileBytes(table.TablePath(), QByteArray(20000, 'x'));
    table.Open();
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes());
}

TEST(OutputTable, EveryRowIsOnDiskWhenAppendRowReturns) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 7);
    table.Open();
    QByteArray expected = HeaderLineBytes();
    for (int index = 0; index < 5; ++index) {
        table.AppendRow(ChildRow(index));
        expected += RowLineBytes(ChildRow(index));
        EXPECT_EQ(ReadFileBytes(table.TablePath()), expected) << "after row " << index;
    }
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), expected);
}

TEST(OutputTable, RowOfEmptyFieldsHoldsHundredTabs) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 7);
    table.Open();
    table.AppendRow(QStringList(TableColumnCount));
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes() + QByteArray(100, '\t') + "\r\n");
}

TEST(OutputTable, TabAndLineBreaksInsideAFieldBecomeSpaces) {
    struct Case {
        QString field;
        QString written;
    };
    const Case cases[] = {
        {QStringLiteral("Панельные\tблоки"), QStringLiteral("Панельные блоки")},
        {QStringLiteral("строка1\r\nстрока2"), QStringLiteral("строка1  строка2")},
        {QStringLiteral("\n"), QStringLiteral(" ")},
        {QStringLiteral("a\rb"), QStringLiteral("a b")},
        {QStringLiteral("\t\t"), QStringLiteral("  ")},
        {QStringLiteral("без замен \v\f"), QStringLiteral("без замен \v\f")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        OutputTable table(DirectoryOf(dir), 1);
        table.Open();
        QStringList fields = RowOfTexts(QStringLiteral("x"));
        fields[ColumnIndex(16)] = c.field;
        table.AppendRow(fields);
        table.Close();

        QStringList expected = RowOfTexts(QStringLiteral("x"));
        expected[ColumnIndex(16)] = c.written;
        const QByteArray bytes = ReadFileBytes(table.TablePath());
        EXPECT_EQ(bytes, HeaderLineBytes() + RowLineBytes(expected));
        const QByteArray row = bytes.mid(HeaderLineBytes().size());
        EXPECT_EQ(row.count('\t'), 100);
        EXPECT_EQ(row.count('\n'), 1);
    }
}

TEST(OutputTable, RefusesARowWithoutExactlyHundredAndOneFields) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 3);
    table.Open();
    for (const qsizetype count : {qsizetype(0), qsizetype(100), qsizetype(102)}) {
        SCOPED_TRACE(count);
        try {
            table.AppendRow(QStringList(count));
            ADD_FAILURE() << "a row of the wrong width was accepted";
        } catch (const RecordsError& error) {
            EXPECT_EQ(error.message(),
                      QStringLiteral("Cannot write file \"%1\". A row has %2 fields, not 101.")
                          .arg(table.TablePath())
                          .arg(count));
        }
    }
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes());
}

TEST(OutputTable, AppendRowBeforeOpenFails) {
    OutputTable table(QStringLiteral("/nonexistent/"), 3);
    try {
        table.AppendRow(QStringList(TableColumnCount));
        ADD_FAILURE() << "no error";
    } catch (const RecordsError& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Cannot write file \"/nonexistent/data3.tab\". The table is not "
                                 "open."));
    }
}

TEST(OutputTable, CloseTwiceAndDestructorAfterCloseAreHarmless) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(DirectoryOf(dir), 3);
    table.Close();
    table.Open();
    table.Close();
    table.Close();
    EXPECT_EQ(ReadFileBytes(table.TablePath()), HeaderLineBytes());
}

TEST(OutputTable, DestructorClosesAndReleasesTheTable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        OutputTable table(DirectoryOf(dir), 3);
        table.Open();
        table.AppendRow(ChildRow(0));
    }
    OutputTable again(DirectoryOf(dir), 3);
    again.Open(); // would be refused if the first writer still held the file
    again.Close();
    EXPECT_EQ(ReadFileBytes(again.TablePath()), HeaderLineBytes());
}

TEST(OutputTableOpen, FailsWithThePathAndTheSystemsReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        QString directory;
        QString reason;
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("data8.tab")));
    const Case cases[] = {
        {DirectoryOf(dir) + u"missing/", QStringLiteral("No such file or directory")},
        {DirectoryOf(dir), QStringLiteral("Is a directory")}, // data8.tab is a folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directory.toStdString());
        OutputTable table(c.directory, 8);
        try {
            table.Open();
            ADD_FAILURE() << "opened";
        } catch (const RecordsError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("Cannot create file \"") + c.directory +
                                           QStringLiteral("data8.tab\". ") + c.reason);
            EXPECT_STREQ(error.what(), error.message().toUtf8().constData());
        }
        EXPECT_FALSE(table.IsOpen());
    }
}

TEST(OutputTableOpen, SecondWriterIsRefusedAndLeavesTheFirstTableIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable first(DirectoryOf(dir), 11);
    first.Open();
    first.AppendRow(ChildRow(0));
    const QByteArray before = ReadFileBytes(first.TablePath());

    OutputTable second(DirectoryOf(dir), 11);
    try {
        second.Open();
        ADD_FAILURE() << "second writer opened the table";
    } catch (const RecordsError& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Cannot create file \"%1\". The table is being written by "
                                 "another run of the program.")
                      .arg(first.TablePath()));
    }
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(ReadFileBytes(first.TablePath()), before);

    first.AppendRow(ChildRow(1));
    first.Close();
    EXPECT_EQ(ReadFileBytes(first.TablePath()),
              HeaderLineBytes() + RowLineBytes(ChildRow(0)) + RowLineBytes(ChildRow(1)));
}
