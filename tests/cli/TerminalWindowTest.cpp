// The terminal's window calls: log lines as they come, the progress line only on a terminal, the
// error pause through the clock, the log file of the run.
#include "cli/TerminalWindow.h"

#include "CliTestSupport.h"
#include "harvest/LogLine.h"
#include "harvest/Scraper.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct WindowUnderTest {
    explicit WindowUnderTest(bool terminal)
        : out(std::tmpfile()),
          window(options, folder.Path() + QLatin1Char('/'), clock, out, terminal),
          worker(window, folder.Path() + QLatin1Char('/'), clock) {}
    ~WindowUnderTest() { std::fclose(out); }

    QByteArray Output() const {
        std::fflush(out);
        std::rewind(out);
        QByteArray bytes;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, out)) > 0)
            bytes.append(buffer, qsizetype(got));
        return bytes;
    }
    // The printed lines without their line ends.
    QStringList Lines() const {
        QStringList lines = QString::fromUtf8(Output()).split(QLatin1Char('\n'));
        lines.removeLast();
        return lines;
    }
    // The messages of the printed lines (the text after the time stamp's ": ").
    QStringList Messages() const {
        QStringList messages;
        for (const QString& line : Lines())
            messages.append(line.section(QStringLiteral(": "), 1));
        return messages;
    }

    TemporaryFolder folder;
    CliOptions options;
    FakeClock clock{5000};
    std::FILE* out;
    TerminalWindow window;
    Scraper worker;
};

TEST(TerminalWindowTest, LogLinesGoOutAsTheyComeInTheWindowsFormat) {
    WindowUnderTest w(false);
    w.window.ShowRunState(true);
    w.window.AddLogLine(QStringLiteral("Загружаем страницу 1 на 100 домов"));
    const QByteArray output = w.Output();
    const QList<QByteArray> lines = output.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(": Начинаем работу."));
    EXPECT_TRUE(lines[1].endsWith(": Загружаем страницу 1 на 100 домов"));
    // The window's format: the time stamp as FormatLogLine makes it, then ": " and the message.
    const QString expectedStart =
        FormatLogLine(QString()).section(QLatin1Char(' '), 0, 0); // the date
    EXPECT_TRUE(QString::fromUtf8(lines[0]).startsWith(expectedStart));
}

TEST(TerminalWindowTest, NoProgressLineWhenOutputIsNotATerminal) {
    WindowUnderTest w(false);
    w.window.ShowRunState(true);
    w.window.ShowStageProgress(3, 1);
    w.window.ShowHouseProgress(8, 2);
    w.window.AddLogLine(QStringLiteral("x"));
    EXPECT_FALSE(w.Output().contains('\r'));
    EXPECT_FALSE(w.Output().contains("Дом "));
}

TEST(TerminalWindowTest, OnATerminalTheProgressLineStaysBelowTheLog) {
    WindowUnderTest w(true);
    w.window.ShowRunState(true);
    w.window.ShowStageProgress(3, 1);
    w.window.ShowHouseProgress(8, 2);
    w.window.AddLogLine(QStringLiteral("x"));
    const QByteArray output = w.Output();
    // Drawn, erased before the next log line, drawn again below it.
    EXPECT_TRUE(output.endsWith("\r\x1b[KДом 2 из 8, пара 1 из 3"));
    EXPECT_TRUE(output.contains("\r\x1b[KДом 2 из 8, пара 1 из 3\r\x1b[K"));
    // The end report takes the progress line away for good.
    w.window.ShowRunState(false);
    w.window.ShowHouseProgress(8, 0);
    EXPECT_TRUE(w.Output().endsWith(".txt\n"));
}

TEST(TerminalWindowTest, ErrorPauseWaitsFifteenSecondsOfTheClockThenGoesOn) {
    WindowUnderTest w(false);
    w.window.PauseAfterError(w.worker, QStringLiteral("ERROR_Read timed out."));
    EXPECT_EQ(w.clock.Slept(), 15000u);
    EXPECT_EQ(w.Messages(), (QStringList{QStringLiteral("Ошибка: ERROR_Read timed out."),
                                         QStringLiteral("Включаем паузу на 15 секунд"),
                                         QStringLiteral("Отключаем паузу, продолжаем работу")}));
}

TEST(TerminalWindowTest, FailuresThatDoNotQualifyMakeNoPause) {
    WindowUnderTest w(false);
    w.window.PauseAfterError(w.worker, QStringLiteral("ERROR_Connection Closed Gracefully."));
    w.window.PauseAfterError(w.worker, QStringLiteral("ERROR_Повторяем запрос"));
    EXPECT_EQ(w.clock.Slept(), 0u);
    EXPECT_TRUE(w.Output().isEmpty());
}

TEST(TerminalWindowTest, AStopEndsTheErrorPauseWithoutAResumeLine) {
    WindowUnderTest w(false);
    w.worker.RequestStop();
    w.window.PauseAfterError(w.worker, QStringLiteral("ERROR_HTTP/1.1 500 Internal Server Error"));
    EXPECT_EQ(w.clock.Slept(), 0u);
    EXPECT_EQ(w.Messages().size(), 2);
}

TEST(TerminalWindowTest, EndReportSavesTheLinesOfThisRunAsTheLogFile) {
    WindowUnderTest w(false);
    w.window.AddLogLine(QStringLiteral("before the run"));
    w.window.ShowRunState(true);
    w.window.AddLogLine(QStringLiteral("Найдено домов: 8"));
    w.window.LogStop();
    w.window.ShowRunState(false);

    EXPECT_EQ(
        w.Messages().mid(1),
        (QStringList{QStringLiteral("Начинаем работу."), QStringLiteral("Найдено домов: 8"),
                     QStringLiteral("Останавливаем работу"), QStringLiteral("Работа завершена"),
                     QStringLiteral("Лог записан в файл log-5000.txt")}));
    const QString saved = ReadText(w.folder.Path() + QStringLiteral("/log-5000.txt"));
    EXPECT_EQ(saved, w.Lines().mid(1).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_EQ(FilesIn(w.folder.Path(), QStringLiteral("*.txt")),
              QStringList{QStringLiteral("log-5000.txt")});
    EXPECT_FALSE(w.window.LogFileFailed());
}

// A folder in the place of the file under its name during the run, or its name at the end: the
// failure is said once, when it happens, and the run's end report passes it on.
TEST(TerminalWindowTest, ALogFileThatCannotBeWrittenIsReportedOnce) {
    for (const char* blocked : {"log-5000.partial.txt", "log-6000.txt"}) {
        WindowUnderTest w(false);
        ASSERT_TRUE(QDir(w.folder.Path()).mkdir(QString::fromLatin1(blocked)));
        w.window.ShowRunState(true);
        w.window.AddLogLine(QStringLiteral("Найдено домов: 8"));
        w.clock.Advance(1000);
        EXPECT_ANY_THROW(w.window.ShowRunState(false));
        EXPECT_TRUE(w.window.LogFileFailed());
        const QStringList messages = w.Messages();
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.filter(QStringLiteral("Ошибка: Cannot write file")).size(), 1)
            << blocked;
        const bool atStart = QString::fromLatin1(blocked).contains(QStringLiteral("partial"));
        EXPECT_EQ(messages.indexOf(QRegularExpression(QStringLiteral("Ошибка: .*"))),
                  atStart ? 1 : messages.size() - 1)
            << blocked;
        EXPECT_EQ(messages.contains(QStringLiteral("Лог записан в файл log-6000.txt")), !atStart);
    }
}

TEST(TerminalWindowTest, TheProgressLineTellsThePaceAndTheTimeLeft) {
    WindowUnderTest w(true);
    w.window.ShowRunState(true);
    w.window.ShowStageProgress(2, 1);
    w.window.ShowHouseProgress(400, 0);
    w.window.ShowHouseProgress(400, 1);
    EXPECT_TRUE(w.Output().endsWith("\r\x1b[KДом 1 из 400, пара 1 из 2"));
    w.clock.Advance(3100);
    w.window.ShowHouseProgress(400, 2);
    w.clock.Advance(3100);
    w.window.ShowHouseProgress(400, 3);
    EXPECT_TRUE(w.Output().endsWith(
        QStringLiteral("\r\x1b[KДом 3 из 400, пара 1 из 2 · 3,1 с/дом · до конца пары ≈ 21 мин")
            .toUtf8()));
    // The last pair: its time left is the run's. The pace counts the run's houses, not the pair's.
    w.window.ShowStageProgress(2, 2);
    w.window.ShowHouseProgress(10, 0);
    w.clock.Advance(3800);
    w.window.ShowHouseProgress(10, 1);
    EXPECT_TRUE(w.Output().endsWith(
        QStringLiteral("\r\x1b[KДом 1 из 10, пара 2 из 2 · 3,3 с/дом · осталось ≈ 33 с").toUtf8()));
}

} // namespace
