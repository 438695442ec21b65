// The pieces of a run that the window and the headless command share: progress views, the error
// pause rule, log lines and the log file.
#include "PortalSimProcess.h"
#include "base/MessageError.h"
#include "harvest/ErrorPause.h"
#include "harvest/LogFile.h"
#include "harvest/LogLine.h"
#include "harvest/ProgressView.h"
#include "harvest/RunLogFile.h"

#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

TEST(ProgressViewTest, ClampsAndNamesWhatIsLeft) {
    struct Case {
        int maximum, position, shownMaximum, shownPosition;
        const char* toolTip;
    };
    for (const Case& c :
         {Case{120, 45, 120, 45, "45 из 120, осталось 75"},
          Case{120, 130, 120, 120, "120 из 120, осталось 0"},
          Case{0, 0, 0, 0, "0 из 0, осталось 0"}, Case{-5, 3, 0, 0, "0 из 0, осталось 0"},
          Case{10, -1, 10, 0, "0 из 10, осталось 10"}}) {
        const ProgressView view = MakeProgressView(c.maximum, c.position);
        EXPECT_EQ(view.maximum, c.shownMaximum);
        EXPECT_EQ(view.position, c.shownPosition);
        EXPECT_EQ(view.toolTip, QString::fromUtf8(c.toolTip));
    }
}

TEST(ErrorPauseTest, OnlyOtherFailuresEarnThePause) {
    EXPECT_TRUE(QualifiesForErrorPause(QStringLiteral("ERROR_Read timed out.")));
    EXPECT_TRUE(QualifiesForErrorPause(QStringLiteral("ERROR_HTTP/1.1 500 Internal Server Error")));
    EXPECT_FALSE(QualifiesForErrorPause(QStringLiteral("ERROR_Повторяем запрос")));
    EXPECT_FALSE(QualifiesForErrorPause(QStringLiteral("ERROR_Connection Closed Gracefully.")));
    EXPECT_FALSE(QualifiesForErrorPause(QStringLiteral("Read timed out.")));
    EXPECT_TRUE(QualifiesForErrorPause(QStringLiteral("ERROR_Повторяем запрос ")));
}

TEST(LogLineTest, DateTimeThenMessage) {
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QString line = FormatLogLine(QStringLiteral("Начинаем работу."), at);
    EXPECT_TRUE(line.endsWith(QStringLiteral(": Начинаем работу."))) << line.toStdString();
    const QString zone = at.timeZoneAbbreviation();
    EXPECT_FALSE(!zone.isEmpty() && line.contains(zone)) << "no time zone: " << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("5:06:07")) ||
                line.contains(QStringLiteral("05:06:07")))
        << line.toStdString();
}

TEST(LogFileTest, NamedByTickAndWrittenWithCrLf) {
    EXPECT_EQ(LogFileName(1234u), QStringLiteral("log-1234.txt"));
    EXPECT_EQ(LogFileName(0x80000000u), QStringLiteral("log--2147483648.txt"));
    EXPECT_EQ(PartialLogFileName(0xFFFFFFFFu), QStringLiteral("log--1.partial.txt"));

    TemporaryFolder folder;
    const QString directory = folder.Path() + QLatin1Char('/');
    const auto read = [&](const QString& name) {
        QFile file(directory + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    };
    // An older file of the final name is replaced, one of the partial name emptied.
    for (const char* name : {"log-7.txt", "log-1.partial.txt"}) {
        QFile old(directory + QString::fromLatin1(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older run's lines\r\n");
    }
    RunLogFile log;
    EXPECT_EQ(log.Begin(directory, 1), QString());
    EXPECT_EQ(read(QStringLiteral("log-1.partial.txt")), QByteArray());
    for (const QString& line :
         {QStringLiteral("first"), QString(), QStringLiteral("Работа завершена")})
        EXPECT_EQ(log.Append(line), QString());
    // Each line is on disk as soon as it is made.
    const QByteArray expected =
        QByteArray("first\r\n\r\n") + QStringLiteral("Работа завершена").toLocal8Bit() + "\r\n";
    EXPECT_EQ(read(QStringLiteral("log-1.partial.txt")), expected);
    log.Finish(QStringLiteral("log-7.txt"));
    EXPECT_EQ(read(QStringLiteral("log-7.txt")), expected);
    EXPECT_EQ(read(QStringLiteral("log-1.partial.txt")), QByteArray("<none>"));
    // The workbook's lines follow the end report into the file, until the run's last line.
    EXPECT_EQ(log.Append(QStringLiteral("workbook")), QString());
    log.Close();
    EXPECT_EQ(log.Append(QStringLiteral("after the end")), QString());
    EXPECT_EQ(read(QStringLiteral("log-7.txt")), expected + "workbook\r\n");
}

bool diskFull = true;

ssize_t FullDisk(int file, const void* bytes, std::size_t size) {
    if (!diskFull)
        return ::write(file, bytes, size);
    errno = ENOSPC;
    return -1;
}

TEST(LogFileTest, AFileThatCannotBeWrittenIsSaidOnceAndTheEndFails) {
    TemporaryFolder folder;
    const QString directory = folder.Path() + QLatin1Char('/');
    RunLogFile full(FullDisk);
    EXPECT_EQ(full.Begin(directory, 2), QString());
    EXPECT_TRUE(
        full.Append(QStringLiteral("x")).startsWith(QStringLiteral("Cannot write file \"")));
    EXPECT_EQ(full.Append(QStringLiteral("y")), QString());
    EXPECT_TRUE(full.Failed());
    EXPECT_THROW(full.Finish(QStringLiteral("log-2.txt")), MessageError);
    EXPECT_FALSE(QFile::exists(directory + QStringLiteral("log-2.txt")));
    // The next run, with room on the disk again, writes its file.
    diskFull = false;
    EXPECT_EQ(full.Begin(directory, 3), QString());
    EXPECT_EQ(full.Append(QStringLiteral("z")), QString());
    full.Finish(QStringLiteral("log-3.txt"));
    full.Close();
    QFile saved(directory + QStringLiteral("log-3.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("z\r\n"));
}

} // namespace
