// The address directory's requests and entries, against the fake portal over TLS on 127.0.0.1.
#include "SimulatedPortal.h"
#include "directory/DirectoryClient.h"
#include "http/PortalError.h"

#include "json/JsonAccess.h"
#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

QString Str(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct EntryCase {
    const char* item;
    const char* text;
    const char* code;
};

TEST(DirectoryEntry, TextIsFormalNameSpaceShortNameAndCodeIsAoGuid) {
    const EntryCase cases[] = {
        {R"({"formalName":"Тестовая","shortName":"обл","aoGuid":"g-1"})", "Тестовая обл", "g-1"},
        {R"({"formalName":"Лесной","aoGuid":"g-2"})", "Лесной ", "g-2"},
        {R"({"shortName":"ул","aoGuid":" g 3 "})", " ул", " g 3 "},
        {R"({"formalName":"Мира","shortName":"пр-кт"})", "Мира пр-кт", ""},
        {R"({"formalName":"Ноль","shortName":null,"aoGuid":12})", "Ноль null", "12"},
        {R"(7)", " ", ""},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.item);
        const std::optional<JsonValue> item = ParseLenient(Str(c.item));
        ASSERT_TRUE(item.has_value());
        const DirectoryEntry entry = MakeDirectoryEntry(*item);
        EXPECT_EQ(entry.text, Str(c.text));
        EXPECT_EQ(entry.code, Str(c.code));
    }
}

TEST(DirectoryEntry, OnlyAJsonArrayGivesEntries) {
    const struct {
        const char* answer;
        bool isArray;
        int entries;
    } cases[] = {
        {"[]", true, 0},
        {R"([{"formalName":"А"},{"formalName":"Б"}])", true, 2},
        {"  [ {}, 1, \"x\" ]", true, 3},
        {"{}", false, 0},
        {"", false, 0},
        {"<html><body>Ошибка</body></html>", false, 0},
        {R"([{"formalName":"А"},)", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const DirectoryAnswer answer = ReadDirectoryAnswer(Str(c.answer));
        EXPECT_EQ(answer.isArray, c.isArray);
        EXPECT_EQ(static_cast<int>(answer.entries.size()), c.entries);
    }
}

QStringList Texts(const DirectoryAnswer& answer) {
    QStringList texts;
    for (const DirectoryEntry& entry : answer.entries)
        texts.append(entry.text);
    return texts;
}

QStringList Texts(const QJsonArray& described, const char* nameKey = "name") {
    QStringList texts;
    for (const QJsonValue& value : described) {
        const QJsonObject item = value.toObject();
        texts.append(item.value(QLatin1String(nameKey)).toString() + QLatin1Char(' ') +
                     item.value(QStringLiteral("shortName")).toString());
    }
    return texts;
}

QString Code(const QJsonObject& object) {
    return object.value(QStringLiteral("code")).toString();
}

// Targets of the directory requests in the portal's log, in order.
QStringList Targets(const SimulatedPortal& portal) {
    QStringList targets;
    for (const QJsonObject& entry : portal.Log())
        targets.append(entry.value(QStringLiteral("target")).toString());
    return targets;
}

class DirectoryClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        small_ = new QJsonObject(SimulatedPortal::DescribeRegion(QStringLiteral("small")));
        thousand_ = new QJsonObject(SimulatedPortal::DescribeRegion(QStringLiteral("thousand")));
    }
    static void TearDownTestSuite() {
        delete small_;
        delete thousand_;
    }
    static QJsonArray Cities(const QJsonObject& region) {
        return region.value(QStringLiteral("cities")).toArray();
    }

    static QJsonObject* small_;
    static QJsonObject* thousand_;
};

QJsonObject* DirectoryClientTest::small_ = nullptr;
QJsonObject* DirectoryClientTest::thousand_ = nullptr;

TEST_F(DirectoryClientTest, EveryLevelGivesItsEntriesWithCodesInThePortalsOrder) {
    SimulatedPortal portal;
    DirectoryClient client;
    const QString region = Code(*small_);
    const QJsonArray cities = Cities(*small_);
    const QString area = Code(small_->value(QStringLiteral("areas")).toArray()[0].toObject());
    const QJsonObject first = cities[0].toObject();

    const DirectoryAnswer regions = client.Regions();
    ASSERT_TRUE(regions.isArray);
    ASSERT_EQ(regions.entries.size(), 5u);
    EXPECT_EQ(regions.entries[0].text, Str("Тестовая обл"));
    EXPECT_EQ(regions.entries[0].code, region);
    EXPECT_EQ(regions.entries[3].text, Str("Показательный край"));

    const DirectoryAnswer areas = client.Areas(region);
    EXPECT_EQ(Texts(areas), Texts(small_->value(QStringLiteral("areas")).toArray()));
    EXPECT_EQ(areas.entries[0].code, area);

    EXPECT_EQ(Texts(client.CitiesOfRegion(region)), Texts(cities));
    EXPECT_EQ(Texts(client.CitiesOfArea(region, area)), QStringList{Texts(cities)[0]});
    EXPECT_EQ(Texts(client.CitiesOfArea(region, {})), Texts(cities));

    const DirectoryAnswer streets = client.Streets(region, area, Code(first));
    EXPECT_EQ(Texts(streets), Texts(first.value(QStringLiteral("first_streets")).toArray()));
    EXPECT_EQ(streets.entries[1].code,
              Code(first.value(QStringLiteral("first_streets")).toArray()[1].toObject()));

    const QString fias = QStringLiteral("/nsi/api/rest/services/nsi/fias/v4/");
    const QString query = QStringLiteral("?actual=true&itemsPerPage=1000&page=1&searchString="
                                         "&regionCode=") +
                          region;
    EXPECT_EQ(
        Targets(portal),
        (QStringList{fias + QStringLiteral("regions"), fias + QStringLiteral("areas") + query,
                     fias + QStringLiteral("cities") + query,
                     fias + QStringLiteral("cities") + query + QStringLiteral("&areaCode=") + area,
                     fias + QStringLiteral("cities") + query + QStringLiteral("&areaCode="),
                     fias +
                         QStringLiteral("streets?actual=true&itemsPerPage=10000&page=1"
                                        "&searchString=&regionCode=") +
                         region + QStringLiteral("&areaCode=") + area +
                         QStringLiteral("&cityCode=") + Code(first)}));
}

TEST_F(DirectoryClientTest, EmptyArrayIsAnArrayAndALevelShowsOnlyItsFirstPage) {
    SimulatedPortal portal;
    DirectoryClient client;
    const DirectoryAnswer regions = client.Regions();
    const DirectoryAnswer empty = client.Areas(regions.entries[4].code);
    EXPECT_TRUE(empty.isArray);
    EXPECT_TRUE(empty.entries.empty());

    // Многоулицевск has 10050 streets; one request of page 1 shows the first 10000.
    const QJsonObject city = Cities(*thousand_)[0].toObject();
    ASSERT_EQ(city.value(QStringLiteral("streets")).toInt(), 10050);
    const DirectoryAnswer streets = client.Streets(Code(*thousand_), {}, Code(city));
    EXPECT_TRUE(streets.isArray);
    EXPECT_EQ(streets.entries.size(), 10000u);
    EXPECT_EQ(portal.Count(QStringLiteral("streets")), 1);
}

TEST_F(DirectoryClientTest, AnswersThatAreNotArraysGiveNoEntriesAndFailuresThrow) {
    SimulatedPortal portal(QStringLiteral(R"({"rules": [
        {"endpoint": "areas", "fault": "html_200"},
        {"endpoint": "streets", "fault": "truncated_json"},
        {"endpoint": "cities", "fault": "status", "status": 500}
    ]})"));
    DirectoryClient client;
    const QString region = Code(*small_);
    const DirectoryAnswer areas = client.Areas(region);
    EXPECT_FALSE(areas.isArray);
    EXPECT_TRUE(areas.entries.empty());
    EXPECT_FALSE(client.Streets(region, {}, {}).isArray);
    try {
        client.CitiesOfRegion(region);
        ADD_FAILURE() << "a 500 answer must fail";
    } catch (const PortalError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("500"))) << error.what();
    }
}

} // namespace
