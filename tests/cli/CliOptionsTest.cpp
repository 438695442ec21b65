// The command line: options, their defaults and combinations; the read time-out setting; name
// and code lookup in a directory list; the progress line.
#include "cli/CliOptions.h"

#include "CliTestSupport.h"
#include "cli/AddressChoice.h"
#include "cli/TerminalWindow.h"

#include <gtest/gtest.h>

namespace {

// The options in one line, so that a table row can give all of them at once.
QString Summary(const CliOptions& o) {
    static const char* const kModes[] = {"harvest", "list",   "help",   "version",
                                         "resume",  "repair", "compare"};
    static const char* const kLists[] = {"regions", "areas", "cities", "streets"};
    QString text = QString::fromLatin1(kModes[int(o.mode)]);
    if (o.mode == CliOptions::Mode::Compare)
        return text + QStringLiteral(" %1 %2 workbook=%3")
                          .arg(o.compareOld, o.compareNew, o.compareWorkbook);
    if (o.mode == CliOptions::Mode::List)
        text += QLatin1Char(' ') + QString::fromLatin1(kLists[int(o.listKind)]);
    return text +
           QStringLiteral(" region=%1 cities=%2 streets=%3 all=%4 interval=%5 page=%6 "
                          "coords=%7 pass=%8 card=%9 save=%10 out=%11")
               .arg(o.region, o.cities.join(QLatin1Char(',')), o.streets.join(QLatin1Char(',')))
               .arg(int(o.allStreets))
               .arg(o.intervalSeconds)
               .arg(o.pageSize)
               .arg(int(o.coordinates))
               .arg(int(o.passports))
               .arg(int(o.cards))
               .arg(int(o.savePassports))
               .arg(o.outDirectory) +
           (o.allowSleep ? QStringLiteral(" allow-sleep") : QString());
}

struct ParseCase {
    const char* name;
    const char* arguments; // separated by "|"
    const char* expected;  // the summary, or "error: " and a part of the error text
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheOptionsOrSaysWhatIsWrong) {
    const ParseCase& c = GetParam();
    const QString joined = QString::fromUtf8(c.arguments);
    const QStringList arguments = joined.isEmpty() ? QStringList() : joined.split(QLatin1Char('|'));
    const CliParse parse = ParseCliArguments(arguments);
    const QString expected = QString::fromUtf8(c.expected);
    if (expected.startsWith(QStringLiteral("error: "))) {
        EXPECT_FALSE(parse.Ok());
        EXPECT_TRUE(parse.error.contains(expected.mid(7))) << parse.error.toStdString();
    } else {
        EXPECT_TRUE(parse.Ok()) << parse.error.toStdString();
        EXPECT_EQ(Summary(parse.options), expected);
    }
}

const char* const kDefaults = "interval=2 page=100 coords=1 pass=1 card=1 save=0 out=.";

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseTest,
    testing::Values(
        ParseCase{"RegionAndAllStreetsTakeTheWindowsDefaults", "--region|77|--all-streets",
                  "harvest region=77 cities= streets= all=1 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=."},
        ParseCase{"EveryOptionWithItsValue",
                  "--region=Тестовая обл|--city|Первомайск|--city=Лесной|--street|Ленина ул|"
                  "--street|Мира|--interval|0|--page-size=250|--no-coords|--no-passport|"
                  "--no-card|--save-passports|--out|/tmp/x y",
                  "harvest region=Тестовая обл cities=Первомайск,Лесной streets=Ленина ул,Мира "
                  "all=0 interval=0 page=250 coords=0 pass=0 card=0 save=1 out=/tmp/x y"},
        ParseCase{"AllowSleepForAHarvest", "--region|77|--all-streets|--allow-sleep",
                  "harvest region=77 cities= streets= all=1 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=. allow-sleep"},
        ParseCase{"AllowSleepForAResume", "--resume|--out|d|--allow-sleep",
                  "resume region= cities= streets= all=0 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=d allow-sleep"},
        ParseCase{"AllowSleepIsNoListOption", "--list|regions|--allow-sleep",
                  "error: --allow-sleep не сочетается с --list"},
        ParseCase{"NamesAreTrimmed", "--region|  Тестовая  |--all-streets",
                  "harvest region=Тестовая cities= streets= all=1 interval=2 page=100 coords=1 "
                  "pass=1 card=1 save=0 out=."},
        ParseCase{"HelpWinsOverEverythingElse", "--region|77|--help",
                  "help region=77 cities= "
                  "streets= all=0 interval=2 page=100 coords=1 pass=1 card=1 save=0 out=."},
        ParseCase{"ShortHelp", "-h",
                  "help region= cities= streets= all=0 interval=2 page=100 "
                  "coords=1 pass=1 card=1 save=0 out=."},
        ParseCase{"Version", "--version",
                  "version region= cities= streets= all=0 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=."},
        ParseCase{"HelpWinsOverVersion", "--version|--help",
                  "help region= cities= streets= all=0 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=."},
        ParseCase{"ResumeTakesTheFolderAndTheInterval", "--resume|--out|/tmp/r|--interval=5",
                  "resume region= cities= streets= all=0 interval=5 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=/tmp/r"},
        ParseCase{"RepairAlone", "--repair",
                  "repair region= cities= streets= all=0 interval=2 page=100 coords=1 pass=1 "
                  "card=1 save=0 out=."},
        ParseCase{"ResumeRefusesASelection", "--resume|--region|77",
                  "error: --region не сочетается с --resume: задание берётся из записи выгрузки"},
        ParseCase{"ResumeRefusesAnOption", "--repair|--no-card",
                  "error: --no-card не сочетается с --repair"},
        ParseCase{"ResumeOrRepair", "--resume|--repair",
                  "error: --resume не сочетается с --repair"},
        ParseCase{"RunWithoutResumeOrRepair", "--region|7|--all-streets|--run|data1",
                  "error: --run сочетается только с --resume и --repair"},
        ParseCase{"ListRegions", "--list|regions",
                  "list regions region= cities= streets= all=0 "
                  "interval=2 page=100 coords=1 pass=1 card=1 save=0 out=."},
        ParseCase{"ListStreetsOfACity", "--list|streets|--region|77|--city|Первомайск",
                  "list streets region=77 cities=Первомайск streets= all=0 interval=2 page=100 "
                  "coords=1 pass=1 card=1 save=0 out=."},
        ParseCase{"CompareTwoTablesIntoAWorkbook", "--compare|a b.tab|c.tab|--out=d.xlsx",
                  "compare a b.tab c.tab workbook=d.xlsx"},
        ParseCase{"CompareWithTheDefaultWorkbook", "--compare|a.tab|c.tab",
                  "compare a.tab c.tab workbook="},
        ParseCase{"CompareNeedsTwoTables", "--compare|a.tab",
                  "error: после --compare нужны две таблицы"},
        ParseCase{"CompareRefusesAHarvestOption", "--compare|a.tab|c.tab|--region|7",
                  "error: --region не сочетается с --compare"},
        ParseCase{"NothingAtAll", "", "error: не задан регион"},
        ParseCase{"NoStreets", "--region|77", "error: укажите --street или --all-streets"},
        ParseCase{"StreetsTwice", "--region|77|--street|a|--all-streets",
                  "error: --all-streets не сочетается с --street"},
        ParseCase{"UnknownOption", "--region|77|--all-streets|--fast",
                  "error: неизвестный параметр --fast"},
        ParseCase{"StrayArgument", "--region|77|--all-streets|extra",
                  "error: лишний аргумент \"extra\""},
        ParseCase{"MissingValue", "--all-streets|--region", "error: после --region нужно значение"},
        ParseCase{"EmptyName", "--region=|--all-streets", "error: пустое значение у --region"},
        ParseCase{"RegionTwice", "--region|1|--region|2|--all-streets",
                  "error: --region задан дважды"},
        ParseCase{"NegativeInterval", "--region|7|--all-streets|--interval|-1",
                  "error: --interval ждёт целое число от 0"},
        ParseCase{"FractionalInterval", "--region|7|--all-streets|--interval|1.5",
                  "error: --interval ждёт целое число от 0"},
        ParseCase{"HugeInterval", "--region|7|--all-streets|--interval|2147483648",
                  "error: --interval ждёт целое число"},
        ParseCase{"PageSizeZero", "--region|7|--all-streets|--page-size|0",
                  "error: --page-size ждёт целое число от 1"},
        ParseCase{"FlagWithValue", "--region|7|--all-streets|--no-card=1",
                  "error: --no-card не принимает значения"},
        ParseCase{"ListOfSomethingElse", "--list|houses", "error: --list принимает regions"},
        ParseCase{"ListWithoutRegion", "--list|cities", "error: требуют --region"},
        ParseCase{"ListRegionsWithRegion", "--list|regions|--region|7",
                  "error: --list regions не принимает --region"},
        ParseCase{"ListWithHarvestOption", "--list|cities|--region|7|--interval|0",
                  "error: --interval не сочетается с --list"},
        ParseCase{"ListCitiesWithCity", "--list|cities|--region|7|--city|a",
                  "error: --city сочетается только с --list streets"},
        ParseCase{"ListStreetsOfTwoCities", "--list|streets|--region|7|--city|a|--city|b",
                  "error: не больше одного --city"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(CliOptionsTest, DefaultsAreTheWindowsDefaults) {
    const CliParse parse = ParseCliArguments(
        {QStringLiteral("--region"), QStringLiteral("7"), QStringLiteral("--all-streets")});
    EXPECT_TRUE(Summary(parse.options).endsWith(QString::fromLatin1(kDefaults)));
}

TEST(CliOptionsTest, HelpNamesEveryOption) {
    const QString help = CliHelpText();
    for (const char* option :
         {"--region", "--city", "--street", "--all-streets", "--interval", "--page-size",
          "--no-coords", "--no-passport", "--no-card", "--save-passports", "--out", "--list",
          "--help", "--version", "--compare", "PORTAL_ORIGIN", "PORTAL_READ_TIMEOUT_MS", "130"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
}

TEST(CliOptionsTest, ReadTimeoutSetting) {
    EXPECT_EQ(ReadTimeoutSetting(""), 0);
    EXPECT_EQ(ReadTimeoutSetting("250"), 250);
    EXPECT_EQ(ReadTimeoutSetting("2147483647"), 2147483647);
    for (const char* bad : {"0", "-5", "1s", " 250", "2147483648"})
        EXPECT_EQ(ReadTimeoutSetting(bad), std::nullopt) << bad;
}

struct ChoiceCase {
    const char* name;
    const char* given;
    const char* expected; // the code chosen, or "error: " and a part of the error text
};

class ChooseEntryTest : public testing::TestWithParam<ChoiceCase> {};

// Two cities' streets in one list, as a street lookup over two cities sees them.
const std::vector<DirectoryEntry> kEntries = {
    {QStringLiteral("Ленина ул"), QStringLiteral("aaaa-1")},
    {QStringLiteral("Мира пр-кт"), QStringLiteral("bbbb-2")},
    {QStringLiteral("Ленина ул"), QStringLiteral("cccc-3")},
    {QStringLiteral("Нижний Новгород г"), QStringLiteral("dddd-4")},
    {QStringLiteral("Нижний Новгород г"), QStringLiteral("dddd-4")},
    {QStringLiteral("Ленина пер"), QStringLiteral("eeee-5")},
    {QStringLiteral("eeee-5 ул"), QStringLiteral("ffff-6")},
};

TEST_P(ChooseEntryTest, FindsByCodeThenWholeTextThenFormalName) {
    const ChoiceCase& c = GetParam();
    const AddressChoice choice =
        ChooseEntry(kEntries, QString::fromUtf8(c.given), QStringLiteral("улица"));
    const QString expected = QString::fromUtf8(c.expected);
    if (expected.startsWith(QStringLiteral("error: "))) {
        EXPECT_FALSE(choice.Ok());
        EXPECT_TRUE(choice.error.contains(expected.mid(7))) << choice.error.toStdString();
    } else {
        EXPECT_TRUE(choice.Ok()) << choice.error.toStdString();
        EXPECT_EQ(choice.entry.code, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChooseEntryTest,
    testing::Values(ChoiceCase{"Code", "bbbb-2", "bbbb-2"},
                    ChoiceCase{"CodeInOtherLetterCase", "BBBB-2", "bbbb-2"},
                    ChoiceCase{"CodeBeforeName", "eeee-5", "eeee-5"},
                    ChoiceCase{"WholeText", "Мира пр-кт", "bbbb-2"},
                    ChoiceCase{"FormalNameAlone", "Мира", "bbbb-2"},
                    ChoiceCase{"LetterCaseOfNames", "мИРА", "bbbb-2"},
                    ChoiceCase{"FormalNameWithASpace", "Нижний Новгород", "dddd-4"},
                    ChoiceCase{"SameCodeTwiceIsOneEntry", "Нижний Новгород г", "dddd-4"},
                    ChoiceCase{"WholeTextBeforeFormalName", "Ленина пер", "eeee-5"},
                    ChoiceCase{"AmbiguousWholeText", "Ленина ул",
                               "error: улица \"Ленина ул\": подходят несколько записей, укажите "
                               "код:\n  aaaa-1\tЛенина ул\n  cccc-3\tЛенина ул"},
                    ChoiceCase{"AmbiguousFormalName", "Ленина", "error: \n  eeee-5\tЛенина пер"},
                    ChoiceCase{"PartOfAName", "Нижний",
                               "error: в справочнике портала нет: улица "
                               "\"Нижний\""},
                    ChoiceCase{"Nothing", "Садовая", "error: нет: улица \"Садовая\""}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(CliOptionsTest, ListingLineIsCodeTabText) {
    EXPECT_EQ(ListingLine({QStringLiteral("Мира пр-кт"), QStringLiteral("b-2")}),
              QStringLiteral("b-2\tМира пр-кт"));
}

TEST(CliOptionsTest, ProgressLineClampsAsAProgressBar) {
    EXPECT_EQ(ProgressLine(120, 45, 3, 1), QStringLiteral("Дом 45 из 120, пара 1 из 3"));
    EXPECT_EQ(ProgressLine(120, 130, 3, 4), QStringLiteral("Дом 120 из 120, пара 3 из 3"));
    EXPECT_EQ(ProgressLine(-1, 5, 0, 0), QStringLiteral("Дом 0 из 0, пара 0 из 0"));
}

} // namespace
