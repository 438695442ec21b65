#pragma once

#include "FakeClock.h"
#include "RecordingWindow.h"
#include "SimulatedPortal.h"
#include "harvest/Scraper.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <gtest/gtest.h>

// One run of a region of the fake portal as one search (city and street placeholders); tests
// change the job and the options before Execute. The run's files go to the test's folder, or to
// a subfolder of it (ending with "/").
struct HarvestJobRun {
    explicit HarvestJobRun(const QString& subfolder = {},
                           const QString& regionKind = QStringLiteral("small"))
        : region(SimulatedPortal::DescribeRegion(regionKind)), window(clock),
          worker(window, folder.Path() + QStringLiteral("/") + subfolder, clock) {
        worker.RegionCode = region.value(QStringLiteral("code")).toString();
        worker.RegionName = region.value(QStringLiteral("name")).toString() + QLatin1Char(' ') +
                            region.value(QStringLiteral("shortName")).toString();
        worker.CitiesNamesList = {QStringLiteral("Не задан")};
        worker.CitiesCodesList = {QString()};
        worker.StreetsNamesList = {QStringLiteral("Не задан")};
        worker.StreetsCodesList = {QString()};
        worker.ConvertsWorkbook = false;
    }

    // The table's lines after the byte-order mark and header.
    QStringList Rows() const {
        const QStringList names = QDir(folder.Path()).entryList({QStringLiteral("data*.tab")});
        if (names.size() != 1)
            return {QStringLiteral("<%1 tables>").arg(names.size())};
        QFile file(folder.Path() + QLatin1Char('/') + names.first());
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<unreadable>")};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines.last().isEmpty()) << "the last line ends with CR LF";
        lines.removeLast();
        lines.removeFirst();
        return lines;
    }

    int LinesStartingWith(const QString& prefix) const {
        int count = 0;
        for (const QString& line : window.LogLines())
            count += line.startsWith(prefix);
        return count;
    }

    const QJsonObject region;
    TemporaryFolder folder;
    FakeClock clock;
    RecordingWindow window;
    Scraper worker;
};
