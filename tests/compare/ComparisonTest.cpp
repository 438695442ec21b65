// Two small tables compared into a workbook read back by openpyxl, and the rule of when two fields
// are the same.
#include "ComparisonReadBack.h"
#include "PortalSimProcess.h"
#include "compare/FieldComparison.h"
#include "compare/TableComparison.h"

#include <QFile>
#include <QJsonArray>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct FieldPair {
    const char* oldField;
    const char* newField;
    bool same;
};

TEST(FieldComparisonTest, SpacesAroundATextAndTheWayANumberIsWrittenDoNotCount) {
    const FieldPair pairs[] = {
        {"12,0", "12", true},        {"12", "12.0", true},         {"40.", "40", true},
        {"-0", "0", true},           {" Кирпич ", "Кирпич", true}, {"12,5", "12.5", true},
        {"007", "7", false},         {"1,2,3", "1.2.3", false},    {"", "0", false},
        {"Кирпич", "кирпич", false}, {"12,5", "12.50001", false},
    };
    for (const FieldPair& pair : pairs)
        EXPECT_EQ(SameField(pair.oldField, pair.newField), pair.same)
            << pair.oldField << " / " << pair.newField;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

TEST(ComparisonTest, AHouseComparesByItsFirstRowAndOnlyRealChangesAreShown) {
    TemporaryFolder folder;
    const QString oldPath = folder.Path() + u"/old.tab"_s;
    const QString newPath = folder.Path() + u"/new.tab"_s;
    const QString workbook = folder.Path() + u"/out.xlsx"_s;
    // g2 stands twice in the old table: its second row differs but does not count.
    Write(oldPath, TableOf({{HouseLink(u"g1"_s), u"Край"_s, u"12,0"_s, u" Кирпич "_s, u""_s},
                            {HouseLink(u"g2"_s), u"Край"_s, u"5"_s},
                            {HouseLink(u"g2"_s), u"Край"_s, u"6"_s},
                            {HouseLink(u"g3"_s), u"Край"_s, u"1"_s}}));
    Write(newPath, TableOf({{HouseLink(u"g4"_s), u"Край"_s},
                            {HouseLink(u"g2"_s), u"Край"_s, u"5"_s},
                            {HouseLink(u"g1"_s), u"Край"_s, u"12"_s, u"Кирпич"_s, u"Панель"_s}}));

    const ComparisonCounts counts = CompareTables(oldPath, newPath, workbook);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.removed, 1);
    EXPECT_EQ(counts.changed, 1);
    EXPECT_EQ(counts.unchanged, 1);
    const QJsonObject read = ReadComparison(workbook);
    EXPECT_EQ(read[u"repeated"_s].toArray(), QJsonArray({1, 0}));
    EXPECT_EQ(read[u"added"_s].toArray(), QJsonArray({u"g4"_s}));
    EXPECT_EQ(read[u"removed"_s].toArray(), QJsonArray({u"g3"_s}));
    EXPECT_EQ(read[u"changed"_s].toObject(),
              QJsonObject({{u"g1"_s, QJsonObject({{u"5"_s, u"(пусто) → Панель"_s}})}}));
    EXPECT_EQ(read[u"columns"_s].toObject(), QJsonObject({{u"5"_s, 1}}));
}

} // namespace
