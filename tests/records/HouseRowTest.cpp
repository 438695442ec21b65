// Whole rows from realistic answers, and the table bytes they give.

#include "records/HouseRow.h"

#include "RecordsTestSupport.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The expected fields of house-row.txt: "column TAB text" per line.
QStringList ExpectedFullRow() {
    const QStringList lines = DataText(u"house-row.txt"_s).split(u'\n', Qt::SkipEmptyParts);
    QStringList fields;
    for (int column = 1; column <= lines.size(); ++column) {
        const QString& line = lines[column - 1];
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0 || line.left(tab).toInt() != column)
            throw std::runtime_error("house-row.txt is out of order");
        fields.append(line.mid(tab + 1));
    }
    return fields;
}

QStringList FullRow() {
    return BuildHouseRow(ParseJson(DataText(u"house-item.json"_s)), DataText(u"house-map.txt"_s),
                         DataText(u"house-passport.json"_s), DataText(u"house-card.json"_s));
}

} // namespace

TEST(HouseRow, EveryColumnOfARealisticHouse) {
    const QStringList expected = ExpectedFullRow();
    ASSERT_EQ(expected.size(), TableColumnCount);
    const QStringList row = FullRow();
    ASSERT_EQ(row.size(), TableColumnCount);
    for (int column = 1; column <= TableColumnCount; ++column)
        EXPECT_EQ(row[ColumnIndex(column)], expected[ColumnIndex(column)])
            << "column " << column << " " << TableHeaderNames()[ColumnIndex(column)].toStdString();
}

TEST(HouseRow, HouseWithoutMapPassportOrCardTexts) {
    const QStringList full = ExpectedFullRow();
    const QStringList row = BuildHouseRow(ParseJson(DataText(u"house-item.json"_s)), {}, {}, {});
    ASSERT_EQ(row.size(), TableColumnCount);
    for (int column = 1; column <= TableColumnCount; ++column) {
        const bool fromItem =
            (column >= 1 && column <= 7) || (column >= 11 && column <= 18 && column != 15);
        EXPECT_EQ(row[ColumnIndex(column)], fromItem ? full[ColumnIndex(column)] : QString())
            << "column " << column;
    }
    for (const int column : {8, 9, 10, 15})
        EXPECT_TRUE(row[ColumnIndex(column)].isEmpty());
    for (int column = 19; column <= TableColumnCount; ++column)
        EXPECT_TRUE(row[ColumnIndex(column)].isEmpty()) << "column " << column;
}

TEST(HouseRow, EmptyListItemStillGivesHundredAndOneFields) {
    const QStringList row = BuildHouseRow(ParseJson(u"{}"_s), {}, {}, {});
    ASSERT_EQ(row.size(), TableColumnCount);
    EXPECT_EQ(row[0], TestOrigin() + u"/#!/passport/show?houseGuid=&houseTypeCode=");
    for (int column = 2; column <= TableColumnCount; ++column)
        EXPECT_TRUE(row[ColumnIndex(column)].isEmpty()) << "column " << column;
}

TEST(HouseRow, TableBytesOfRealisticHouses) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(dir.path() + u'/', 4294967295u);
    table.Open();
    table.AppendRow(FullRow());
    table.AppendRow(BuildHouseRow(ParseJson(DataText(u"house-item.json"_s)), {}, {}, {}));
    table.Close();

    QStringList itemOnly = ExpectedFullRow();
    for (int column = 8; column <= TableColumnCount; ++column) {
        if (column > 10 && column < 19 && column != 15)
            continue;
        itemOnly[ColumnIndex(column)].clear();
    }
    EXPECT_EQ(table.TablePath(), dir.path() + u"/data-1.tab");
    EXPECT_EQ(ReadFileBytes(table.TablePath()),
              HeaderLineBytes() + RowLineBytes(ExpectedFullRow()) + RowLineBytes(itemOnly));
}

TEST(HouseRow, AnswersWithTabsAndLineBreaksStillGiveOneWholeLine) {
    const QString item = uR"({"guid":"g\t1","address":{"formattedAddress":"ул. Кирова,\r\nд. 12"},)"
                         uR"("planSeries":"II-49\tмод.","houseType":{"code":"1"}})"_s;
    const QString card = uR"({"managementOrganization":{"shortName":"ООО\n\"УК\"","guid":"o"},)"
                         uR"("houseType":{"houseTypeName":"Много\tквартирный"}})"_s;
    const QString passport =
        uR"({"parameters":[{"paramCode":"2.1","value":"строка1\nстрока2"}]})"_s;
    const QString map = u"{\"longitude\":\t37.6\t,\"latitude\":55.7\r\n,}"_s;
    const QStringList row = BuildHouseRow(ParseJson(item), map, passport, card);
    EXPECT_EQ(row[ColumnIndex(4)], u"ул. Кирова,\r\nд. 12"_s); // the row keeps the answer's text
    EXPECT_EQ(row[ColumnIndex(8)], u"37.6,55.7"_s);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OutputTable table(dir.path() + u'/', 5);
    table.Open();
    table.AppendRow(row);
    table.Close();
    const QByteArray line = ReadFileBytes(table.TablePath()).mid(HeaderLineBytes().size());
    EXPECT_EQ(line.count('\t'), 100);
    EXPECT_EQ(line.count('\r'), 1);
    EXPECT_EQ(line.count('\n'), 1);
    EXPECT_TRUE(line.endsWith("\r\n"));
    const QStringList written = QString::fromUtf8(line.chopped(2)).split(u'\t');
    ASSERT_EQ(written.size(), TableColumnCount);
    EXPECT_EQ(written[ColumnIndex(1)],
              TestOrigin() + u"/#!/passport/show?houseGuid=g 1&houseTypeCode=1");
    EXPECT_EQ(written[ColumnIndex(4)], u"ул. Кирова,  д. 12"_s);
    EXPECT_EQ(written[ColumnIndex(9)], u"Много квартирный"_s);
    EXPECT_EQ(written[ColumnIndex(12)], u"II-49 мод."_s);
    EXPECT_EQ(written[ColumnIndex(19)], u"ООО \"УК\""_s);
    EXPECT_EQ(written[ColumnIndex(28)], u"строка1 строка2"_s);
}
