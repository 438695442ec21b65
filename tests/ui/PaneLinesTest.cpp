// What the log file holds of a log line is what the log pane gives back of it.
#include "ui/PaneLines.h"

#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

TEST(PaneLinesTest, TheLinesAreWhatThePaneGivesBackAsPlainText) {
    const QString texts[] = {
        QStringLiteral("Начинаем работу."),
        QString(),
        QStringLiteral("a\nb"),
        QStringLiteral("a\r\nb"),
        QStringLiteral("a\rb\r"),
        QStringLiteral("a\n\nb\n"),
        QStringLiteral("a\u2029b\u2028c"),
        QStringLiteral("no\u00A0break"),
        QStringLiteral("\r\n\r\n"),
        QStringLiteral("x\uFDD0y\uFDD1z"),
        QStringLiteral("tab\tand\u00A0\r\n"),
    };
    for (const QString& text : texts) {
        QPlainTextEdit pane;
        pane.appendPlainText(QStringLiteral("first"));
        pane.appendPlainText(text);
        const QStringList lines = PaneLines(text);
        EXPECT_EQ(pane.toPlainText().split(QLatin1Char('\n')).mid(1), lines) << text.toStdString();
        // Given the lines one by one, the pane reads back the same.
        QPlainTextEdit byLines;
        byLines.appendPlainText(QStringLiteral("first"));
        for (const QString& line : lines)
            byLines.appendPlainText(line);
        EXPECT_EQ(byLines.toPlainText(), pane.toPlainText()) << text.toStdString();
    }
}

} // namespace
