#include "records/PassportFiles.h"

#include "RecordsTestSupport.h"
#include "records/RecordsError.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Every file and folder below root, as paths relative to it.
QStringList Tree(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

ssize_t DiskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

// Writes at most 7 bytes per call, and is interrupted every other call.
ssize_t Stuttering(int fd, const void* data, std::size_t size) {
    static int calls = 0;
    if (++calls % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    return ::write(fd, data, std::min<std::size_t>(size, 7));
}

class PassportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkdir(u"program"_s));
    }
    QString Root() const { return root_.path(); }
    QString Directory() const { return root_.path() + u"/program/"; }

private:
    QTemporaryDir root_;
};

} // namespace

TEST_F(PassportFiles, PrepareCreatesTheJsonFolderOnce) {
    EXPECT_TRUE(PreparePassportFolder(Directory()));
    EXPECT_TRUE(QFileInfo(Directory() + u"json").isDir());
    SavePassport(Directory(), u"g-1"_s, "{}");
    EXPECT_TRUE(PreparePassportFolder(Directory()));
    EXPECT_EQ(Tree(Root()),
              (QStringList{u"program"_s, u"program/json"_s, u"program/json/g-1.json"_s}));
}

TEST_F(PassportFiles, PrepareReportsAFolderItCouldNotMake) {
    EXPECT_FALSE(PreparePassportFolder(Root() + u"/missing/"));
    WriteFileBytes(Directory() + u"json", "a file in the folder's place");
    EXPECT_FALSE(PreparePassportFolder(Directory()));
}

TEST_F(PassportFiles, SavesTheAnswerBytesExactlyUnderTheGuid) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    const QByteArray passport = DataBytes(u"house-passport.json"_s);
    SavePassport(Directory(), u"5e3c1b0a-7f0d-4a2b-9c3e-1d2f3a4b5c6d"_s, passport);
    EXPECT_EQ(ReadFileBytes(Directory() + u"json/5e3c1b0a-7f0d-4a2b-9c3e-1d2f3a4b5c6d.json"),
              passport);

    // Bytes that are not UTF-8, a NUL, a byte-order mark of someone else's: kept as they are.
    const QByteArray odd("\xEF\xBB\xBF{\"a\":\"\xCF\xF0\xE8\"}\0\r\n\xFF", 17);
    SavePassport(Directory(), u"odd"_s, odd);
    EXPECT_EQ(ReadFileBytes(Directory() + u"json/odd.json"), odd);

    SavePassport(Directory(), u"empty"_s, QByteArray());
    EXPECT_EQ(ReadFileBytes(Directory() + u"json/empty.json"), QByteArray());
}

TEST_F(PassportFiles, ReplacesAnOlderFile) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    SavePassport(Directory(), u"g-1"_s, QByteArray(5000, 'x'));
    SavePassport(Directory(), u"g-1"_s, "{\"parameters\":[]}");
    EXPECT_EQ(ReadFileBytes(Directory() + u"json/g-1.json"), "{\"parameters\":[]}");
}

TEST_F(PassportFiles, UnusualButSafeGuidsStayInTheFolder) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    const QString guids[] = {u"null"_s, u"..."_s,         u".hidden"_s,
                             u"a..b"_s, u"back\\slash"_s, u"дом 12"_s};
    for (const QString& guid : guids) {
        SCOPED_TRACE(guid.toStdString());
        EXPECT_TRUE(IsSafePassportName(guid));
        SavePassport(Directory(), guid, guid.toUtf8());
        EXPECT_EQ(ReadFileBytes(Directory() + u"json/" + guid + u".json"), guid.toUtf8());
    }
    EXPECT_EQ(QDir(Directory() + u"json").entryList(QDir::Files | QDir::Hidden).size(), 6);
}

TEST_F(PassportFiles, UnsafeGuidIsNeverUsedAsAPath) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    struct Case {
        QString guid;
        QString shown;
    };
    const Case cases[] = {
        {QString(), QString()},
        {u"."_s, u"."_s},
        {u".."_s, u".."_s},
        {u"../escaped"_s, u"../escaped"_s},
        {u"../../escaped"_s, u"../../escaped"_s},
        {u"a/b"_s, u"a/b"_s},
        {u"/tmp/escaped"_s, u"/tmp/escaped"_s},
        {u"/"_s, u"/"_s},
        {QString::fromUtf16(u"a\0b", 3), u"a\\u0000b"_s},
        {u"a\nb"_s, u"a\\u000ab"_s},
        {u"a\rb"_s, u"a\\u000db"_s},
        {u"\tg"_s, u"\\u0009g"_s},
        {u"g\x1f"_s, u"g\\u001f"_s},
        {u"g\x7f"_s, u"g\\u007f"_s},
    };
    const QStringList before = Tree(Root());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        EXPECT_FALSE(IsSafePassportName(c.guid));
        try {
            SavePassport(Directory(), c.guid, "{\"parameters\":[]}");
            ADD_FAILURE() << "saved";
        } catch (const RecordsError& error) {
            EXPECT_EQ(error.message(), u"Passport not saved: the house guid \"" + c.shown +
                                           u"\" is not a safe file name.");
        }
    }
    EXPECT_EQ(Tree(Root()), before);
}

TEST_F(PassportFiles, MissingFolderFailsWithThePathAndTheSystemsReason) {
    // No PreparePassportFolder: the json folder does not exist.
    try {
        SavePassport(Directory(), u"g-1"_s, "{}");
        ADD_FAILURE() << "saved";
    } catch (const RecordsError& error) {
        EXPECT_EQ(error.message(), u"Cannot create file \"" + Directory() +
                                       u"json/g-1.json\". No such file or directory");
    }
    EXPECT_EQ(Tree(Root()), QStringList{u"program"_s});
}

TEST_F(PassportFiles, LinkInThePassportsPlaceIsNotFollowed) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    const QString outside = Root() + u"/outside.txt";
    WriteFileBytes(outside, "keep");
    ASSERT_TRUE(QFile::link(outside, Directory() + u"json/g-1.json"));
    try {
        SavePassport(Directory(), u"g-1"_s, "{}");
        ADD_FAILURE() << "saved through the link";
    } catch (const RecordsError& error) {
        EXPECT_TRUE(error.message().startsWith(u"Cannot create file \"" + Directory() +
                                               u"json/g-1.json\". "))
            << error.message().toStdString();
    }
    EXPECT_EQ(ReadFileBytes(outside), "keep");
}

TEST_F(PassportFiles, FullDiskIsReportedWithThePathAndTheSystemsReason) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    try {
        SavePassport(Directory(), u"g-1"_s, DataBytes(u"house-passport.json"_s), &DiskFull);
        ADD_FAILURE() << "a passport that was not written counted as saved";
    } catch (const RecordsError& error) {
        EXPECT_EQ(error.message(), u"Cannot write file \"" + Directory() +
                                       u"json/g-1.json\". No space left on device");
    }
}

TEST_F(PassportFiles, ShortAndInterruptedWritesStillSaveEveryByte) {
    ASSERT_TRUE(PreparePassportFolder(Directory()));
    const QByteArray passport = DataBytes(u"house-passport.json"_s);
    SavePassport(Directory(), u"g-1"_s, passport, &Stuttering);
    EXPECT_EQ(ReadFileBytes(Directory() + u"json/g-1.json"), passport);
}
