// --compare: two harvests of the fake portal, the second after its revision, compared into a
// workbook that openpyxl reads back; and one table of inputs that are not two tables to compare.
#include "CliTestSupport.h"
#include "ComparisonReadBack.h"
#include "SimulatedPortal.h"
#include "compare/TableComparison.h"

#include <QJsonArray>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList kDemoSize = {QStringLiteral("--demo-count"), QStringLiteral("300")};

QSet<QString> SetOf(const QJsonValue& array) {
    QSet<QString> set;
    for (const QJsonValue& value : array.toArray())
        set.insert(value.toString());
    return set;
}

// The demo region as the fake portal describes it at revision 1, with what that revision changed.
QJsonObject RevisedDemoRegion() {
    QProcess describe;
    describe.start(PythonCommand(),
                   QStringList{QStringLiteral(HX_PORTAL_SIM), QStringLiteral("--describe"),
                               QStringLiteral("--revision"), QStringLiteral("1")} +
                       kDemoSize);
    describe.waitForFinished(60000);
    for (const QJsonValue& region :
         QJsonDocument::fromJson(describe.readAllStandardOutput())[u"regions"_s].toArray())
        if (region[u"kind"_s].toString() == QLatin1String("demo"))
            return region.toObject();
    return {};
}

// A harvest of the demo region from a fake portal on `port` (0: a free one) at `revision`: the
// portal's port and the table written.
std::pair<QString, QString> Harvest(const QString& port, int revision, const QString& out,
                                    const QString& region, FakeClock& clock) {
    const SimulatedPortal portal({}, QStringList{QStringLiteral("--port"), port,
                                                 QStringLiteral("--revision"),
                                                 QString::number(revision)} +
                                         kDemoSize);
    const InProcessRun run = RunInProcess(
        {QStringLiteral("--region"), region, QStringLiteral("--all-streets"),
         QStringLiteral("--interval"), QStringLiteral("0"), QStringLiteral("--out"), out},
        clock);
    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    return {portal.HostLine().section(u':', 1), out + u'/' + FilesIn(out, u"data*.tab"_s).value(0)};
}

TEST(CliCompareTest, TheWorkbookListsExactlyWhatTheFakePortalsRevisionChanged) {
    const QJsonObject revised = RevisedDemoRegion();
    const QJsonObject changes = revised[u"revision"_s].toObject();
    ASSERT_FALSE(changes[u"changed"_s].toObject().isEmpty());
    ASSERT_FALSE(changes[u"added"_s].toArray().isEmpty());
    TemporaryFolder folder;
    FakeClock clock(1000);
    const QString region = revised[u"code"_s].toString();
    // The table's links hold the portal's origin: both runs ask the same one.
    const auto [port, oldTable] =
        Harvest(QStringLiteral("0"), 0, folder.Path() + u"/a"_s, region, clock);
    const QString newTable = Harvest(port, 1, folder.Path() + u"/b"_s, region, clock).second;

    const InProcessRun run = RunInProcess({QStringLiteral("--compare"), oldTable, newTable}, clock);
    ASSERT_EQ(run.exitStatus, 0) << run.err.toStdString();
    const QString workbook = DefaultComparisonPath(oldTable, newTable);
    ASSERT_EQ(run.OutLines().value(0), QStringLiteral("Книга сравнения: ") + workbook);
    const QJsonObject read = ReadComparison(workbook);

    EXPECT_EQ(read[u"sheets"_s].toArray(),
              QJsonArray({QStringLiteral("Сводка"), QStringLiteral("Новые дома"),
                          QStringLiteral("Исчезнувшие дома"), QStringLiteral("Изменения")}));
    EXPECT_EQ(read[u"frozen"_s].toArray(), QJsonArray({u"A2"_s, u"A2"_s, u"A2"_s}));
    EXPECT_EQ(SetOf(read[u"added"_s]), SetOf(changes[u"added"_s]));
    EXPECT_EQ(SetOf(read[u"removed"_s]), SetOf(changes[u"removed"_s]));
    // Each changed house shows its one changed field, highlighted, and nothing else.
    const QJsonObject columnOf{
        {u"card"_s, u"15"_s}, {u"passport"_s, u"52"_s}, {u"coordinates"_s, u"8"_s}};
    const QJsonObject expected = changes[u"changed"_s].toObject();
    const QJsonObject shown = read[u"changed"_s].toObject();
    EXPECT_EQ(shown.keys(), expected.keys());
    QJsonObject perColumn;
    for (const QString& guid : expected.keys()) {
        const QString column = columnOf[expected[guid].toString()].toString();
        perColumn[column] = perColumn[column].toInt() + 1;
        EXPECT_EQ(shown[guid].toObject().keys(), QStringList{column}) << guid.toStdString();
        EXPECT_TRUE(shown[guid][column].toString().contains(QStringLiteral(" → ")));
    }
    EXPECT_EQ(read[u"columns"_s].toObject(), perColumn);
    EXPECT_EQ(read[u"plain_changes"_s].toInt(), 0);
    const qint64 changed = expected.size();
    const qint64 removed = changes[u"removed"_s].toArray().size();
    EXPECT_EQ(read[u"counts"_s].toObject(),
              QJsonObject({{QStringLiteral("Новые"), changes[u"added"_s].toArray().size()},
                           {QStringLiteral("Исчезнувшие"), removed},
                           {QStringLiteral("Изменённые"), changed},
                           {QStringLiteral("Без изменений"), 300 - removed - changed}}));
}

struct BadInput {
    const char* name;
    QByteArray oldBytes; // the old table; the new one is a whole table of one house
    bool sameFile;       // the new table given twice instead
    int exitStatus;
    const char* message; // standard error after the old table's quoted path, or the line of counts
};

void PrintTo(const BadInput& input, std::ostream* os) {
    *os << input.name;
}

class CompareInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(CompareInputTest, ABadTableIsNamedWithItsLineAndReasonAndNothingIsWritten) {
    const BadInput& c = GetParam();
    TemporaryFolder folder;
    const QString oldTable = folder.Path() + QStringLiteral("/old.tab");
    const QString newTable = folder.Path() + QStringLiteral("/new.tab");
    for (const auto& [path, bytes] :
         {std::pair{oldTable, c.oldBytes},
          std::pair{newTable, TableOf({{HouseLink(u"g1"_s), u"1"_s}})}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    FakeClock clock(1000);
    const InProcessRun run = RunInProcess(
        {QStringLiteral("--compare"), c.sameFile ? newTable : oldTable, newTable}, clock);
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    if (c.exitStatus == 0) {
        EXPECT_EQ(run.OutLines().value(1), QString::fromUtf8(c.message));
        return;
    }
    EXPECT_EQ(run.err, QStringLiteral("house-export-cli: Ошибка: Таблица \"%1\", %2\n")
                           .arg(oldTable, QString::fromUtf8(c.message)));
    EXPECT_EQ(FilesIn(folder.Path(), QStringLiteral("*")),
              QStringList({QStringLiteral("new.tab"), QStringLiteral("old.tab")}));
}

const QByteArray kWhole = TableOf({{HouseLink(u"g1"_s), u"1"_s}});

INSTANTIATE_TEST_SUITE_P(
    Inputs, CompareInputTest,
    testing::Values(
        BadInput{"NotATable", "Адрес;Год\r\nул. Ленина;1962\r\n", false, 1,
                 "строка 1: это не таблица выгрузки домов: в начале нет её строки заголовка"},
        BadInput{"CutMidRow", kWhole + HouseLink(u"g2"_s).toUtf8() + "\t2\t", false, 1,
                 "строка 3: строка оборвана: таблица кончается посреди строки"},
        BadInput{"HeaderOfAnotherVersion",
                 kWhole.left(kWhole.indexOf("\tПлощадь земельного")) + "\r\n", false, 1,
                 "строка 1: заголовок другой версии программы: 100 столбцов вместо 101"},
        BadInput{"RowWithoutHouseLink", TableOf({{u""_s, u"1"_s}}), false, 1,
                 "строка 2: в первом столбце нет ссылки на дом"},
        BadInput{"EmptyFile", "", false, 1, "строка 1: файл пуст, в нём нет даже строки заголовка"},
        BadInput{"SameFileTwice", "", true, 0,
                 "Новые дома: 0, исчезнувшие: 0, изменённые: 0, без изменений: 1"},
        BadInput{"HeaderAlone", TableOf({}), false, 0,
                 "Новые дома: 1, исчезнувшие: 0, изменённые: 0, без изменений: 0"}),
    [](const testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

} // namespace
