// Columns 26 to 101: the passport parameters picked by their codes.

#include "records/PassportColumns.h"

#include "RecordsTestSupport.h"
#include "json/JsonAccess.h"
#include "records/HouseRow.h"
#include "records/TableHeader.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString ValueIn(const QString& parametersJson, const QString& code) {
    const JsonValue parameters = ParseJson(parametersJson);
    return PassportParamValue(code, AsArray(&parameters));
}

QStringList PassportRow(const QString& passportText) {
    return BuildHouseRow(ParseJson(u"{\"guid\":\"g\"}"_s), {}, passportText, {});
}

} // namespace

TEST(PassportParamValue, PicksTheFirstParameterOfExactlyThatCode) {
    struct Case {
        const char* name;
        QString parameters;
        QString code;
        QString expected;
    };
    const Case cases[] = {
        {"string value", uR"([{"paramCode":"2.9.1","value":"5"}])"_s, u"2.9.1"_s, u"5"_s},
        {"null value", uR"([{"paramCode":"2.9.1","value":null}])"_s, u"2.9.1"_s, {}},
        {"text null", uR"([{"paramCode":"2.9.1","value":"null"}])"_s, u"2.9.1"_s, {}},
        {"no value member", uR"([{"paramCode":"2.9.1","unit":"шт"}])"_s, u"2.9.1"_s, {}},
        {"number", uR"([{"paramCode":"2.5","value":1962}])"_s, u"2.5"_s, u"1962"_s},
        {"fixed-point number", uR"([{"paramCode":"16.2","value":4120.50}])"_s, u"16.2"_s,
         u"4120.5"_s},
        {"whole fixed-point keeps its point", uR"([{"paramCode":"16.2","value":4120.0}])"_s,
         u"16.2"_s, u"4120."_s},
        {"object value", uR"([{"paramCode":"3.1.1","value":{"name":"Ленточный"}}])"_s, u"3.1.1"_s,
         uR"({"name":"Ленточный"})"_s},
        {"array value", uR"([{"paramCode":"3.2.1","value":["Кирпич","Панель"]}])"_s, u"3.2.1"_s,
         uR"(["Кирпич","Панель"])"_s},
        {"boolean value", uR"([{"paramCode":"2.4","value":false}])"_s, u"2.4"_s, u"false"_s},
        {"duplicate code: first wins",
         uR"([{"paramCode":"2.1","value":"первый"},{"paramCode":"2.1","value":"второй"}])"_s,
         u"2.1"_s, u"первый"_s},
        {"duplicate code: first null still wins",
         uR"([{"paramCode":"2.1","value":null},{"paramCode":"2.1","value":"второй"}])"_s,
         u"2.1"_s,
         {}},
        {"trailing space does not match", uR"([{"paramCode":"2.1 ","value":"x"}])"_s, u"2.1"_s, {}},
        {"leading zero does not match", uR"([{"paramCode":"02.1","value":"x"}])"_s, u"2.1"_s, {}},
        {"longer code does not match", uR"([{"paramCode":"2.10","value":"x"}])"_s, u"2.1"_s, {}},
        {"shorter code does not match", uR"([{"paramCode":"2","value":"x"}])"_s, u"2.1"_s, {}},
        {"case counts", uR"([{"paramCode":"A","value":"x"}])"_s, u"a"_s, {}},
        {"near miss before the match",
         uR"([{"paramCode":"2.1 ","value":"x"},{"paramCode":"2.1","value":"y"}])"_s, u"2.1"_s,
         u"y"_s},
        {"numeric code compares by its text", uR"([{"paramCode":2.1,"value":"x"}])"_s, u"2.1"_s,
         u"x"_s},
        {"element that is not an object", uR"(["2.1",{"paramCode":"2.1","value":"y"}])"_s, u"2.1"_s,
         u"y"_s},
        {"no such code", uR"([{"paramCode":"2.2","value":"x"}])"_s, u"2.1"_s, {}},
        {"empty list", u"[]"_s, u"2.1"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValueIn(c.parameters, c.code), c.expected);
    }
}

TEST(PassportParamValue, NoListGivesEmpty) {
    EXPECT_EQ(PassportParamValue(u"2.1", nullptr), QString());
}

TEST(PassportColumns, EachColumnIsTheValueOfItsCode) {
    // Every column code with a value naming it, and codes the table does not show among them.
    QString parameters = u"[{\"paramCode\":\"2.18\",\"value\":\"не показан\"}"_s;
    const auto& codes = PassportParamCodes();
    for (const QStringView code : codes)
        parameters += u",{\"paramCode\":\"" + code + u"\",\"value\":\"значение " + code + u"\"}";
    parameters += u",{\"paramCode\":\"17\",\"value\":\"не показан\"}]";
    const QStringList row = PassportRow(u"{\"parameters\":" + parameters + u'}');
    for (int slot = 0; slot < PassportColumnCount; ++slot) {
        const QString code = codes[static_cast<std::size_t>(slot)].toString();
        EXPECT_EQ(row[ColumnIndex(FirstPassportColumn + slot)], u"значение " + code);
    }
}

TEST(PassportColumns, AgreeWithPassportParamValueOnAwkwardParameters) {
    const QString parameters = uR"([
        {"paramCode":"2.1","value":"первый"},{"paramCode":"2.1","value":"второй"},
        {"paramCode":"2.2","value":null},{"paramCode":"2.2","value":"поздний"},
        {"paramCode":"2.3 ","value":"пробел"},{"paramCode":"02.3","value":"ноль"},
        {"paramCode":"2.9.1","value":9},{"paramCode":"2.15.1","value":7650.20},
        {"paramCode":"3.1.1","value":{"name":"Ленточный"}},{"paramCode":"3.2.1","value":["Кирпич"]},
        {"paramCode":"2.4","value":"null"},{"paramCode":"2.5"},
        {"paramCode":2.6,"value":"числовой код"},{"paramCode":"1","value":"15.03.2023"},
        "2.7",{"paramCode":"2.7","value":"после строки"},{"value":"без кода"}
    ])"_s;
    const JsonValue list = ParseJson(parameters);
    const QStringList row = PassportRow(u"{\"parameters\":" + parameters + u'}');
    const auto& codes = PassportParamCodes();
    for (int slot = 0; slot < PassportColumnCount; ++slot) {
        const QStringView code = codes[static_cast<std::size_t>(slot)];
        SCOPED_TRACE(code.toString().toStdString());
        EXPECT_EQ(row[ColumnIndex(FirstPassportColumn + slot)],
                  PassportParamValue(code, AsArray(&list)));
    }
    struct Expected {
        int column;
        QString text;
    };
    const Expected expected[] = {
        {26, u"15.03.2023"_s},
        {28, u"первый"_s},
        {29, {}},
        {30, {}},
        {31, {}},
        {32, {}},
        {33, u"числовой код"_s},
        {34, u"после строки"_s},
        {37, u"9"_s},
        {45, u"7650.2"_s},
        {56, uR"({"name":"Ленточный"})"_s},
        {60, uR"(["Кирпич"])"_s},
    };
    for (const Expected& e : expected)
        EXPECT_EQ(row[ColumnIndex(e.column)], e.text) << "column " << e.column;
}

TEST(PassportColumns, PassportWithoutParameterListGivesSeventySixEmptyFields) {
    const QString texts[] = {
        QString(),
        u"<html><body>Сервис недоступен</body></html>"_s,
        uR"({"parameters":[{"paramCode":"1","value":"x"},)"_s,
        uR"({"houseGuid":"g"})"_s,
        uR"({"parameters":null})"_s,
        uR"({"parameters":{"paramCode":"1","value":"x"}})"_s,
        uR"({"parameters":"1"})"_s,
        uR"([{"paramCode":"1","value":"x"}])"_s,
        uR"({"parameters":[]})"_s,
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const QStringList row = PassportRow(text);
        ASSERT_EQ(row.size(), TableColumnCount);
        for (int column = FirstPassportColumn; column <= TableColumnCount; ++column)
            EXPECT_EQ(row[ColumnIndex(column)], QString()) << "column " << column;
        EXPECT_FALSE(row[ColumnIndex(1)].isEmpty());
    }
}
