#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// What the headless command was asked to do, read from its arguments.
struct CliOptions {
    enum class Mode { Harvest, List, Help, Version, Resume, Repair, Compare };
    enum class ListKind { Regions, Areas, Cities, Streets };

    Mode mode = Mode::Harvest;
    ListKind listKind = ListKind::Regions;

    // Region, cities and streets as given: a code or a name each.
    QString region;
    QStringList cities;
    QStringList streets;
    bool allStreets = false;

    // The window's options, with the window's defaults.
    int intervalSeconds = 2;
    int pageSize = 100;
    bool coordinates = true;
    bool passports = true;
    bool cards = true;
    bool savePassports = false;
    // No sleep inhibitor during the run.
    bool allowSleep = false;

    // Where the table, workbook, log file and passports go.
    QString outDirectory = QStringLiteral(".");
    // The run that --resume or --repair takes up ("data123"); empty: the newest that fits.
    QString runName;

    // --compare OLD.tab NEW.tab: the two tables; --out then names the workbook (empty: the
    // default beside the new table).
    QString compareOld;
    QString compareNew;
    QString compareWorkbook;
};

// The options, or the reason why the arguments make no sense (a Russian text for the user).
struct CliParse {
    CliOptions options;
    QString error;
    bool Ok() const { return error.isEmpty(); }
};

// Reads the arguments that follow the program name. Every option that takes a value accepts it
// as the next argument or after "=" ("--region 77" or "--region=77").
CliParse ParseCliArguments(const QStringList& arguments);

// The text of --help.
QString CliHelpText();

// The text of --version: the command's name and the project's version.
QString CliVersionText();

// The worker client's read time-out from the environment variable PORTAL_READ_TIMEOUT_MS: a
// whole number of milliseconds from 1 to 2^31 - 1. Unset or empty gives 0 (the profile's own);
// anything else gives no value.
std::optional<int> ReadTimeoutSetting(const QByteArray& value);
