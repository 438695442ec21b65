// Rows of the fake portal's houses: the full house column by column, and the awkward cases
// (captured by data/capture-sim-houses.py) on the columns each is about.

#include "RecordsTestSupport.h"
#include "json/JsonAccess.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const char* const kCases[] = {
    "00-full",
    "01-no-house-type",
    "02-null-management-org",
    "03-null-org-names",
    "04-duplicate-param-codes",
    "05-object-and-array-values",
    "06-number-decimals",
    "07-special-characters",
    "08-coords-strings",
    "09-coords-null",
    "10-coords-latitude-missing",
    "11-coords-longitude-last",
    "12-coords-last-in-inner-object",
    "13-null-members",
    "14-missing-members",
    "15-not-array-parameters-and-card",
    "16-coords-spaces-and-line-break",
};

QString SimText(const QString& stem, const char* part) {
    return DataText(u"sim/" + stem + u'-' + QString::fromLatin1(part));
}

QStringList SimRow(const char* house) {
    const QString stem = QString::fromLatin1(house);
    return BuildHouseRow(ParseJson(SimText(stem, "item.json")), SimText(stem, "map.txt"),
                         SimText(stem, "passport.json"), SimText(stem, "card.json"));
}

QString Link(const QString& tail) {
    return TestOrigin() + tail;
}

// The JSON reader's own text of a number as the portal wrote it.
QString NumberText(const QString& json) {
    return OwnText(ParseJson(json));
}

using Expected = std::vector<std::pair<int, QString>>;

} // namespace

TEST(SimHouses, FullHouseEveryColumn) {
    const QStringList lines = DataText(u"sim/00-full-row.txt"_s).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), TableColumnCount);
    const QStringList row = SimRow("00-full");
    ASSERT_EQ(row.size(), TableColumnCount);
    for (int column = 1; column <= TableColumnCount; ++column) {
        const QString& line = lines[ColumnIndex(column)];
        ASSERT_EQ(line.section(u'\t', 0, 0).toInt(), column);
        EXPECT_EQ(row[ColumnIndex(column)], line.section(u'\t', 1))
            << "column " << column << " " << TableHeaderNames()[ColumnIndex(column)].toStdString();
        EXPECT_FALSE(row[ColumnIndex(column)].isEmpty()) << "column " << column;
    }
}

TEST(SimHouses, AwkwardCasesOnTheirColumns) {
    const QString mkd2 = Link(u"/#!/mkd?fiasHouseCode=e581530e-20c3-4d5e-a52a-010000000002"
                              u"&houseGuid=37812149-9dc7-41b9-94db-010000000002&orgRootGuid="_s);
    const std::vector<std::pair<const char*, Expected>> cases = {
        {"01-no-house-type",
         {{1, Link(u"/#!/passport/show?houseGuid=4ca888eb-ac52-4884-bfb0-010000000001"
                   u"&houseTypeCode="_s)}}},
        {"02-null-management-org", {{19, {}}, {20, {}}, {21, mkd2}}},
        {"03-null-org-names",
         {{22, u"null,ПАО «Энергосбыт-9»"_s},
          {23, Link(u"/#!/organizationView/f853d5dd-6248-4358-8193-0000000000cf,"_s) +
                   Link(u"/#!/organizationView/403aa20a-3ae4-46fb-8102-0000000000e5"_s)},
          {24, u",Администрация сельского поселения"_s},
          {25, Link(u"/#!/organizationView/27f1f539-7258-4233-9ce6-000000000186,"_s) +
                   Link(u"/#!/organizationView/ce5e7b3a-d9bd-4d3f-887f-000000000187"_s)}}},
        {"04-duplicate-param-codes", {{28, u"первое значение"_s}, {37, u"5"_s}}},
        {"05-object-and-array-values",
         {{16, uR"([{"name":"Кирпич","code":"1"},{"name":"Панель","code":"2"}])"_s},
          {18, uR"({"name":"Очень высокий","code":"A"})"_s},
          {56, uR"({"value":"Ленточный","code":"1"})"_s},
          {60, uR"(["Кирпич","Бетон"])"_s},
          {51, u"{}"_s},
          {75, u"[]"_s},
          {30, uR"([{"name":"a\/b"},"x\\y",null,true,0.5])"_s}}},
        {"06-number-decimals",
         {{6, u"9."_s},
          {13, u"40."_s},
          {32, u"1962"_s},
          {45, u"40.5"_s},
          {46, u"0.5"_s},
          {47, u"40."_s},
          {101, u"40."_s},
          {58, u"12.3456"_s},
          {52, u"0.0001"_s},
          {82, u"1.23456"_s},
          {84, u"0"_s},
          {36, u"-2.5"_s},
          {41, u"-3"_s},
          {42, NumberText(u"1e5"_s)},
          {43, NumberText(u"1.5E-3"_s)},
          {48, NumberText(u"12345678.12345"_s)}}},
        {"07-special-characters",
         {{4, u"Респ Тысячная, г Многоулицевск, ул Гагарина, д. 1 корп. 1/2 \\ стр. \"Б\"\tвход"
              u"\r\nсо двора"_s},
          {12, u"П-44/\"Т\"\\2"_s},
          {19, u"ООО \"УК \\ Дом/Сервис\"\tс переносом\r\nстроки"_s},
          {35, u"Серия \"П-44\"/\\Т\tстр.\r\nперенос"_s},
          {28, u"ул. Ленина, д. 3/1, корп. \\2\\"_s},
          {30, u"Жилой/нежилой дом \"А\""_s}}},
        {"08-coords-strings", {{8, u"\"39.392366\",\"59.991491\""_s}}},
        {"09-coords-null", {{8, {}}}},
        {"10-coords-latitude-missing", {{8, u"55.667381,"_s}}},
        {"11-coords-longitude-last", {{8, u",63.072717"_s}}},
        {"12-coords-last-in-inner-object", {{8, u"66.029523},59.106454"_s}}},
        {"13-null-members",
         {{2, u" "_s},
          {3, u"Многоулицевск null"_s},
          {5, {}},
          {14, {}},
          {18, {}},
          {10, {}},
          {15, u"null"_s},
          {32, {}},
          {37, {}},
          {100, {}}}},
        {"14-missing-members",
         {{2, {}},
          {3, {}},
          {4, {}},
          {6, {}},
          {17, {}},
          {8, {}},
          {9, u"Многоквартирный"_s},
          {19, {}},
          {20, {}},
          {21, {}},
          {22, {}},
          {23, {}},
          {24, {}},
          {25, {}}}},
        {"16-coords-spaces-and-line-break", {{8, u"64.610415,"_s}}},
    };
    for (const auto& [house, columns] : cases) {
        SCOPED_TRACE(house);
        const QStringList row = SimRow(house);
        ASSERT_EQ(row.size(), TableColumnCount);
        for (const auto& [column, text] : columns)
            EXPECT_EQ(row[ColumnIndex(column)], text) << "column " << column;
    }
}

TEST(SimHouses, CardThatIsAnArrayAndParametersThatAreNoArrayGiveEmptyColumns) {
    const QStringList row = SimRow("15-not-array-parameters-and-card");
    ASSERT_EQ(row.size(), TableColumnCount);
    for (const int column : {9, 10, 15})
        EXPECT_EQ(row[ColumnIndex(column)], QString()) << "column " << column;
    for (int column = 19; column <= TableColumnCount; ++column)
        EXPECT_EQ(row[ColumnIndex(column)], QString()) << "column " << column;
    EXPECT_EQ(row[ColumnIndex(8)], u"49.122226,61.061905"_s);
    EXPECT_EQ(row[ColumnIndex(5)].size(), 4); // the list item still fills its columns
}

TEST(SimHouses, OrganisationColumnsAlwaysHoldAsManyNamesAsLinks) {
    for (const char* house : kCases) {
        SCOPED_TRACE(house);
        const QStringList row = SimRow(house);
        // Names hold no commas in this data set, links never do.
        EXPECT_EQ(row[ColumnIndex(22)].count(u','), row[ColumnIndex(23)].count(u','));
        EXPECT_EQ(row[ColumnIndex(24)].count(u','), row[ColumnIndex(25)].count(u','));
        // An unnamed organisation still has its link; a link never lacks its (maybe empty) name.
        EXPECT_TRUE(!row[ColumnIndex(23)].isEmpty() || row[ColumnIndex(22)].isEmpty());
        EXPECT_TRUE(!row[ColumnIndex(25)].isEmpty() || row[ColumnIndex(24)].isEmpty());
    }
}

TEST(SimHouses, TableOfAllCasesHasOneWholeLinePerHouse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(dir.path() + u'/', 77);
    table.Open();
    for (const char* house : kCases)
        table.AppendRow(SimRow(house));
    table.Close();

    const QByteArray bytes = ReadFileBytes(table.TablePath());
    ASSERT_TRUE(bytes.startsWith(HeaderLineBytes()));
    const QList<QByteArray> lines = bytes.mid(HeaderLineBytes().size()).split('\n');
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(std::size(kCases)) + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    for (qsizetype index = 0; index + 1 < lines.size(); ++index) {
        SCOPED_TRACE(kCases[index]);
        const QByteArray& line = lines[index];
        EXPECT_TRUE(line.endsWith('\r'));
        EXPECT_EQ(line.count('\r'), 1);
        EXPECT_EQ(line.count('\t'), 100);
        const QStringList fields = QString::fromUtf8(line.chopped(1)).split(u'\t');
        QStringList expected = SimRow(kCases[index]);
        for (QString& field : expected)
            field.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        EXPECT_EQ(fields, expected);
    }
    const QByteArray full = RowLineBytes(SimRow("00-full"));
    EXPECT_EQ(bytes.mid(HeaderLineBytes().size(), full.size()), full);
}
