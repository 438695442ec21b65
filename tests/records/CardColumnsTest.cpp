// Columns 1 to 7 and 9 to 25: the list item and the house card.

#include "RecordsTestSupport.h"
#include "records/HouseRow.h"
#include "records/TableHeader.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Expected = std::vector<std::pair<int, QString>>;

struct Case {
    const char* name;
    QString item;
    QString card;
    Expected columns;
};

QStringList Row(const QString& item, const QString& card) {
    return BuildHouseRow(ParseJson(item), QString(), QString(), card);
}

void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList row = Row(c.item, c.card);
        ASSERT_EQ(row.size(), TableColumnCount);
        for (const auto& [column, text] : c.columns)
            EXPECT_EQ(row[ColumnIndex(column)], text) << "column " << column;
    }
}

QString Link(const QString& tail) {
    return TestOrigin() + tail;
}

const QString kItem = QStringLiteral(R"({"guid":"g-1","houseType":{"code":"1"}})");

} // namespace

TEST(ItemColumns, PassportPageLink) {
    Check({
        {"house type code",
         kItem,
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=g-1&houseTypeCode=1"_s)}}},
        {"no houseType",
         QStringLiteral(R"({"guid":"g-1"})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=g-1&houseTypeCode="_s)}}},
        {"houseType null",
         QStringLiteral(R"({"guid":"g-1","houseType":null})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=g-1&houseTypeCode="_s)}}},
        {"code as number",
         QStringLiteral(R"({"guid":"g-1","houseType":{"code":2}})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=g-1&houseTypeCode=2"_s)}}},
        {"code null stays",
         QStringLiteral(R"({"guid":"g-1","houseType":{"code":null}})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=g-1&houseTypeCode=null"_s)}}},
        {"guid null stays",
         QStringLiteral(R"({"guid":null})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=null&houseTypeCode="_s)}}},
        {"no guid",
         QStringLiteral(R"({})"),
         {},
         {{1, Link(u"/#!/passport/show?houseGuid=&houseTypeCode="_s)}}},
    });
}

TEST(ItemColumns, RegionCityAndAddress) {
    Check({
        {"all present",
         QStringLiteral(R"({"address":{"region":{"formalName":"Московская","shortName":"обл"},)"
                        R"("city":{"formalName":"Подольск","shortName":"г"},)"
                        R"("formattedAddress":"г. Подольск, ул. Кирова, д. 12"}})"),
         {},
         {{2, u"Московская обл"_s},
          {3, u"Подольск г"_s},
          {4, u"г. Подольск, ул. Кирова, д. 12"_s}}},
        {"region and city null give one space",
         QStringLiteral(R"({"address":{"region":null,"city":null,"formattedAddress":"x"}})"),
         {},
         {{2, u" "_s}, {3, u" "_s}, {4, u"x"_s}}},
        {"names null stay null",
         QStringLiteral(R"({"address":{"region":{"formalName":null,"shortName":null}}})"),
         {},
         {{2, u"null null"_s}, {3, QString()}, {4, QString()}}},
        {"only formalName",
         QStringLiteral(R"({"address":{"city":{"formalName":"Подольск"}}})"),
         {},
         {{2, QString()}, {3, u"Подольск "_s}}},
        {"no address",
         QStringLiteral(R"({"guid":"g"})"),
         {},
         {{2, QString()}, {3, QString()}, {4, QString()}}},
        {"address null",
         QStringLiteral(R"({"address":null})"),
         {},
         {{2, QString()}, {3, QString()}, {4, QString()}}},
        {"formattedAddress null stays",
         QStringLiteral(R"({"address":{"formattedAddress":null}})"),
         {},
         {{2, QString()}, {4, u"null"_s}}},
        {"region that is not an object",
         QStringLiteral(R"({"address":{"region":"Московская обл"}})"),
         {},
         {{2, u" "_s}}},
    });
}

TEST(ItemColumns, ClearedTexts) {
    struct Member {
        const char16_t* name;
        int column;
    };
    const Member members[] = {
        {u"buildingYear", 5},           {u"maxFloorCount", 6},        {u"cadastreNumber", 7},
        {u"operationYear", 11},         {u"planSeries", 12},          {u"deterioration", 13},
        {u"deteriorationDate", 14},     {u"intWallMaterialList", 16}, {u"reconstructionYear", 17},
        {u"houseEnergyEfficiency", 18},
    };
    struct Value {
        const char16_t* json;
        const char16_t* text;
    };
    const Value values[] = {
        {u"1975", u"1975"},
        {u"\"1975\"", u"1975"},
        {u"null", u""},
        {u"\"null\"", u""},
        {u"\"NULL\"", u"NULL"},
        {u"\" null\"", u" null"},
        {u"40.0", u"40."},
        {u"35.5", u"35.5"},
        {u"-2", u"-2"},
        {u"true", u"true"},
        {u"\"II-49\"", u"II-49"},
        {u"[\"Кирпич\",\"Панель\"]", u"[\"Кирпич\",\"Панель\"]"},
        {u"{\"name\":\"Панельные\"}", u"{\"name\":\"Панельные\"}"},
        {u"[]", u"[]"},
        {u"\"a\\/b\"", u"a/b"},
    };
    for (const Member& member : members) {
        for (const Value& value : values) {
            const QString name = QString::fromUtf16(member.name);
            const QString json = QString::fromUtf16(value.json);
            SCOPED_TRACE(QString(name + u" = " + json).toStdString());
            const QStringList row =
                Row(u"{\"" + name + u"\":" + json + u",\"guid\":\"g\"}", QString());
            EXPECT_EQ(row[ColumnIndex(member.column)], QString::fromUtf16(value.text));
        }
        const QStringList absent = Row(u"{\"guid\":\"g\"}"_s, QString());
        EXPECT_EQ(absent[ColumnIndex(member.column)], QString());
    }
}

TEST(CardColumns, CardWithoutObjectLeavesEveryCardColumnEmpty) {
    const QString fullItem = DataText(u"house-item.json"_s);
    const QString cards[] = {
        QString(),
        u"   "_s,
        u"<html><head><title>502 Bad Gateway</title></head><body>Ошибка</body></html>"_s,
        u"{\"houseType\":{\"houseTypeName\":\"Многоквартирный\"},"_s,
        u"[{\"houseType\":{\"houseTypeName\":\"Многоквартирный\"}}]"_s,
        u"null"_s,
        u"\"managementOrganization\""_s,
    };
    const QStringList itemOnly = BuildHouseRow(ParseJson(fullItem), {}, {}, {});
    for (const QString& card : cards) {
        SCOPED_TRACE(card.toStdString());
        const QStringList row = Row(fullItem, card);
        for (const int column : {9, 10, 15, 19, 20, 21, 22, 23, 24, 25})
            EXPECT_EQ(row[ColumnIndex(column)], QString()) << "column " << column;
        EXPECT_EQ(row, itemOnly);
    }
    for (const int column : {1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 14, 16, 18})
        EXPECT_FALSE(itemOnly[ColumnIndex(column)].isEmpty()) << "column " << column;
}

TEST(CardColumns, TypeStageAndCondition) {
    Check({
        {"all present",
         kItem,
         QStringLiteral(R"({"houseType":{"houseTypeName":"Многоквартирный"},)"
                        R"("lifeCycleStage":{"lifeCycleStage":"Эксплуатация"},)"
                        R"("houseCondition":{"houseCondition":"Аварийный"}})"),
         {{9, u"Многоквартирный"_s}, {10, u"Эксплуатация"_s}, {15, u"Аварийный"_s}}},
        {"members null",
         kItem,
         QStringLiteral(R"({"houseType":null,"lifeCycleStage":null,"houseCondition":null})"),
         {{9, QString()}, {10, QString()}, {15, QString()}}},
        {"inner members null stay null",
         kItem,
         QStringLiteral(R"({"houseType":{"houseTypeName":null},)"
                        R"("lifeCycleStage":{"lifeCycleStage":null},)"
                        R"("houseCondition":{"houseCondition":null}})"),
         {{9, u"null"_s}, {10, u"null"_s}, {15, u"null"_s}}},
        {"inner members absent",
         kItem,
         QStringLiteral(R"({"houseType":{"code":"1"},"lifeCycleStage":{"code":"2"}})"),
         {{9, QString()}, {10, QString()}, {15, QString()}}},
        {"outer members absent",
         kItem,
         QStringLiteral(R"({"guid":"g-1"})"),
         {{9, QString()}, {10, QString()}, {15, QString()}}},
    });
}

TEST(CardColumns, ManagementOrganization) {
    const QString management = u"/#!/mkd?fiasHouseCode=h-1&houseGuid=g-1&orgRootGuid="_s;
    Check({
        {"organisation and house",
         kItem,
         QStringLiteral(R"({"managementOrganization":{"shortName":"ООО \"УК\"","guid":"o-1",)"
                        R"("registryOrganizationRootEntityGuid":"r-1"},)"
                        R"("address":{"house":{"guid":"h-1"}}})"),
         {{19, u"ООО \"УК\""_s},
          {20, Link(u"/#!/organizationView/o-1"_s)},
          {21, Link(management + u"r-1")}}},
        {"null organisation with address.house",
         kItem,
         QStringLiteral(R"({"managementOrganization":null,"address":{"house":{"guid":"h-1"}}})"),
         {{19, QString()}, {20, QString()}, {21, Link(management)}}},
        {"null organisation without house",
         kItem,
         QStringLiteral(R"({"managementOrganization":null,"address":{"formattedAddress":"x"}})"),
         {{19, QString()}, {20, QString()}, {21, QString()}}},
        {"no organisation, house present",
         kItem,
         QStringLiteral(R"({"address":{"house":{"guid":"h-1"}}})"),
         {{19, QString()}, {20, QString()}, {21, QString()}}},
        {"organisation without house",
         kItem,
         QStringLiteral(R"({"managementOrganization":{"shortName":"УК","guid":"o-1"}})"),
         {{19, u"УК"_s}, {20, Link(u"/#!/organizationView/o-1"_s)}, {21, QString()}}},
        {"house null counts as present",
         kItem,
         QStringLiteral(R"({"managementOrganization":{"guid":"o-1",)"
                        R"("registryOrganizationRootEntityGuid":"r-1"},"address":{"house":null}})"),
         {{19, QString()}, {21, Link(u"/#!/mkd?fiasHouseCode=&houseGuid=g-1&orgRootGuid=r-1"_s)}}},
        {"names and guids null stay null",
         kItem,
         QStringLiteral(R"({"managementOrganization":{"shortName":null,"guid":null,)"
                        R"("registryOrganizationRootEntityGuid":null},)"
                        R"("address":{"house":{"guid":null}}})"),
         {{19, u"null"_s},
          {20, Link(u"/#!/organizationView/null"_s)},
          {21, Link(u"/#!/mkd?fiasHouseCode=null&houseGuid=g-1&orgRootGuid=null"_s)}}},
        {"organisation given as the text null",
         kItem,
         QStringLiteral(R"({"managementOrganization":"null","address":{"house":{"guid":"h-1"}}})"),
         {{19, QString()}, {20, QString()}, {21, Link(management)}}},
    });
}

TEST(CardColumns, ResourceSuppliers) {
    const QString link1 = Link(u"/#!/organizationView/s-1"_s);
    const QString link2 = Link(u"/#!/organizationView/s-2"_s);
    Check({
        {"two suppliers",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":[)"
                        R"({"shortName":"АО \"Мосэнергосбыт\"","guid":"s-1"},)"
                        R"({"shortName":"МУП \"Водоканал\"","guid":"s-2"}]})"),
         {{22, u"АО \"Мосэнергосбыт\",МУП \"Водоканал\""_s}, {23, link1 + u',' + link2}}},
        {"null shortName stays null",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":[)"
                        R"({"shortName":null,"fullName":"Полное","guid":"s-1"}]})"),
         {{22, u"null"_s}, {23, link1}}},
        {"absent shortName is an empty entry",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":[)"
                        R"({"guid":"s-1"},{"shortName":"Б","guid":"s-2"}]})"),
         {{22, u",Б"_s}, {23, link1 + u',' + link2}}},
        {"element that is not an object",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":["s-1"]})"),
         {{22, QString()}, {23, Link(u"/#!/organizationView/"_s)}}},
        {"empty list",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":[]})"),
         {{22, QString()}, {23, QString()}}},
        {"null list",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":null})"),
         {{22, QString()}, {23, QString()}}},
        {"object instead of list",
         kItem,
         QStringLiteral(R"({"resourceProvisionOrganizationList":{"shortName":"А","guid":"s-1"}})"),
         {{22, QString()}, {23, QString()}}},
    });
}

TEST(CardColumns, MunicipalBodies) {
    const QString link1 = Link(u"/#!/organizationView/m-1"_s);
    const QString link2 = Link(u"/#!/organizationView/m-2"_s);
    Check({
        {"short name",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"shortName":"Администрация","fullName":"Полное","guid":"m-1"}]})"),
         {{24, u"Администрация"_s}, {25, link1}}},
        {"null short name falls back to full name",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"shortName":null,"fullName":"Администрация города","guid":"m-1"}]})"),
         {{24, u"Администрация города"_s}, {25, link1}}},
        {"only the second named: column begins with a comma",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"shortName":null,"fullName":null,"guid":"m-1"},)"
                        R"({"shortName":"Администрация","guid":"m-2"}]})"),
         {{24, u",Администрация"_s}, {25, link1 + u',' + link2}}},
        {"text null also falls back",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"shortName":"null","fullName":"Полное","guid":"m-1"}]})"),
         {{24, u"Полное"_s}}},
        {"absent short name does not fall back",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"fullName":"Полное","guid":"m-1"}]})"),
         {{24, QString()}, {25, link1}}},
        {"null short name, no full name",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[{"shortName":null,"guid":"m-1"}]})"),
         {{24, QString()}, {25, link1}}},
        {"two unnamed bodies",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":[)"
                        R"({"shortName":null,"guid":"m-1"},{"shortName":null,"guid":"m-2"}]})"),
         {{24, u","_s}, {25, link1 + u',' + link2}}},
        {"not a list",
         kItem,
         QStringLiteral(R"({"municipalityOrganizationList":"m-1"})"),
         {{24, QString()}, {25, QString()}}},
    });
}
