#pragma once

#include "FakeClock.h"
#include "PortalSimProcess.h"
#include "cli/CliCommand.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// The command's run needs an application object (its event loop waits for the worker); one
// lives for the whole test program.
inline void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "cli_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
}

inline QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// One run of the command in this process, with a fake clock and its output in files.
struct InProcessRun {
    int exitStatus = -1;
    QString out;
    QString err;

    // The lines of standard output without their line ends.
    QStringList OutLines() const {
        QStringList lines = out.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
};

inline InProcessRun RunInProcess(const QStringList& arguments, Clock& clock, int readTimeoutMs = 0,
                                 bool terminal = false) {
    EnsureApplication();
    TemporaryFolder streams;
    const QByteArray outPath = (streams.Path() + QStringLiteral("/out")).toLocal8Bit();
    const QByteArray errPath = (streams.Path() + QStringLiteral("/err")).toLocal8Bit();
    std::FILE* out = std::fopen(outPath.constData(), "w");
    std::FILE* err = std::fopen(errPath.constData(), "w");
    InProcessRun run;
    if (out != nullptr && err != nullptr) {
        const CliContext context{.clock = clock,
                                 .out = out,
                                 .err = err,
                                 .terminal = terminal,
                                 .readTimeoutMs = readTimeoutMs,
                                 .catchStopSignals = false};
        run.exitStatus = RunCli(arguments, context);
    }
    if (out != nullptr)
        std::fclose(out);
    if (err != nullptr)
        std::fclose(err);
    run.out = ReadText(QString::fromLocal8Bit(outPath));
    run.err = ReadText(QString::fromLocal8Bit(errPath));
    return run;
}

// The files of one name pattern in a folder, sorted by name.
inline QStringList FilesIn(const QString& folder, const QString& pattern) {
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

// What a table file holds: whether it begins with the byte-order mark and header, its whole
// rows (101 fields each, CR LF after each) and anything else (a line that is not a whole row).
struct TableCheck {
    bool header = false;
    QStringList rows;
    QStringList broken;
};

inline TableCheck CheckTable(const QString& path) {
    TableCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.broken.append(QStringLiteral("<unreadable>"));
        return check;
    }
    const QByteArray bytes = file.readAll();
    QList<QByteArray> lines = bytes.split('\n');
    const QByteArray tail = lines.takeLast(); // after the last LF: empty when the file ends whole
    if (!tail.isEmpty())
        check.broken.append(QStringLiteral("<unfinished: %1 bytes>").arg(tail.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const bool whole = line.endsWith('\r') && line.count('\t') == 100 && line.count('\r') == 1;
        if (i == 0) {
            check.header = whole && line.startsWith("\xEF\xBB\xBF");
            continue;
        }
        if (whole)
            check.rows.append(QString::fromUtf8(line.chopped(1)));
        else
            check.broken.append(QString::fromUtf8(line.left(60)));
    }
    return check;
}

// The house guid of a row: column 1 is the passport page link with "houseGuid=<guid>&".
inline QString RowGuid(const QString& row) {
    const QString link = row.section(QLatin1Char('\t'), 0, 0);
    const qsizetype start = link.indexOf(QStringLiteral("houseGuid="));
    if (start < 0)
        return {};
    return link.mid(start + 10).section(QLatin1Char('&'), 0, 0);
}
