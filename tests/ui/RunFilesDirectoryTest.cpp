// The folder of a run's files: the program's folder when a file can be made in it, else
// "house-export/" in the documents folder, made when missing.
#include "ui/RunFilesDirectory.h"

#include "UiTestSupport.h"

#include <QDir>

namespace {

struct FolderCase {
    const char* name;
    const char* program; // below the test's folder, with its trailing "/"
    bool writable;       // false: the program's folder cannot be written
    bool documentsMade;  // the documents' "house-export" exists before
    bool toDocuments;    // the run's files go to the documents folder
};

const FolderCase kCases[] = {
    {"WritableProgramFolder", "program/", true, false, false},
    {"UnwritableProgramFolder", "program/", false, false, true},
    {"UnwritableWithTheDocumentsFolderThere", "program/", false, true, true},
    {"ProgramFolderUnderAFile", "file/program/", true, false, true},
};

TEST(RunFilesDirectory, TheProgramsFolderWhenItCanBeWrittenElseTheDocumentsFolder) {
    for (const FolderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        const QString root = folder.Path() + QLatin1Char('/');
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("program")));
        QFile file(root + QStringLiteral("file"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        const QString documents = root + QStringLiteral("Документы");
        if (c.documentsMade) {
            ASSERT_TRUE(QDir().mkpath(documents + QStringLiteral("/house-export")));
        }
        const QString program = root + QString::fromLatin1(c.program);

        QString chosen;
        if (c.writable) {
            chosen = RunFilesDirectory(program, documents);
        } else {
            const UnwritableFolder locked(program);
            chosen = RunFilesDirectory(program, documents);
        }
        const QString expected =
            c.toDocuments ? documents + QStringLiteral("/house-export/") : program;
        EXPECT_EQ(chosen, expected);
        EXPECT_EQ(QDir(documents).exists(), c.toDocuments || c.documentsMade);
        // The probe leaves nothing behind.
        EXPECT_EQ(QDir(root + QStringLiteral("program"))
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList());
    }
}

} // namespace
