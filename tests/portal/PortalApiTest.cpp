#include "portal/PortalApi.h"

#include "http/PortalClient.h"
#include "portal/PortalOrigin.h"

#include <gtest/gtest.h>

namespace {

// Points the portal origin at a fixed value for one test and restores the environment.
class PortalApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("PORTAL_ORIGIN");
        hadValue_ = qEnvironmentVariableIsSet("PORTAL_ORIGIN");
        qputenv("PORTAL_ORIGIN", "https://portal.test:8443");
    }
    void TearDown() override {
        if (hadValue_)
            qputenv("PORTAL_ORIGIN", saved_);
        else
            qunsetenv("PORTAL_ORIGIN");
    }

private:
    QByteArray saved_;
    bool hadValue_ = false;
};

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST_F(PortalApiTest, DirectoryUrls) {
    EXPECT_EQ(RegionsUrl(),
              S("https://portal.test:8443/nsi/api/rest/services/nsi/fias/v4/regions"));
    EXPECT_EQ(AreasUrl(S("R1")), S("https://portal.test:8443/nsi/api/rest/services/nsi/fias/v4/"
                                   "areas?actual=true&itemsPerPage=1000&page=1&searchString="
                                   "&regionCode=R1"));
    EXPECT_EQ(CitiesOfRegionUrl(S("R1")),
              S("https://portal.test:8443/nsi/api/rest/services/nsi/fias/v4/cities?actual=true"
                "&itemsPerPage=1000&page=1&searchString=&regionCode=R1"));
    EXPECT_EQ(CitiesOfAreaUrl(S("R1"), S("A2")),
              S("https://portal.test:8443/nsi/api/rest/services/nsi/fias/v4/cities?actual=true"
                "&itemsPerPage=1000&page=1&searchString=&regionCode=R1&areaCode=A2"));
    EXPECT_EQ(StreetsUrl(S("R1"), S("A2"), S("C3")),
              S("https://portal.test:8443/nsi/api/rest/services/nsi/fias/v4/streets?actual=true"
                "&itemsPerPage=10000&page=1&searchString=&regionCode=R1&areaCode=A2&cityCode=C3"));
}

TEST_F(PortalApiTest, StreetsWithAreaAndCityAtTheirPlaceholders) {
    EXPECT_TRUE(StreetsUrl(S("R1"), QString(), QString())
                    .endsWith(S("&regionCode=R1&areaCode=&cityCode=")));
}

TEST_F(PortalApiTest, HarvestUrls) {
    EXPECT_EQ(HouseSearchUrl(3, 100),
              S("https://portal.test:8443/homemanagement/api/rest/services/houses/public/"
                "searchByAddress?pageIndex=3&elementsPerPage=100"));
    EXPECT_EQ(MapLookupUrl(S("G")),
              S("https://portal.test:8443/search/api/rest/services/map/findByGuid?houseId=G"));
    EXPECT_EQ(PassportSearchUrl(),
              S("https://portal.test:8443/homemanagement/api/rest/services/passports/search"));
    EXPECT_EQ(HouseCardUrl(S("T"), S("G")),
              S("https://portal.test:8443/homemanagement/api/rest/services/houses/public/T/G"));
}

TEST_F(PortalApiTest, EmptyHouseTypeGivesTwoSlashes) {
    EXPECT_EQ(HouseCardUrl(QString(), S("G")),
              S("https://portal.test:8443/homemanagement/api/rest/services/houses/public//G"));
    EXPECT_EQ(PassportPageLink(S("G"), QString()),
              S("https://portal.test:8443/#!/passport/show?houseGuid=G&houseTypeCode="));
}

TEST_F(PortalApiTest, SearchBodyCharacterForCharacter) {
    EXPECT_EQ(
        SearchBody(S("R"), S("C"), S("S")),
        S(R"({"regionCode":"R","cityCode":"C","streetCode":"S","fiasHouseCodeList":null,)"
          R"("estStatus":null,"strStatus":null,"calcCount":true,"houseConditionRefList":null,)"
          R"("houseTypeRefList":null,"houseManagementTypeRefList":null,"cadastreNumber":null,)"
          R"("oktmo":null,"statuses":["APPROVED"],"regionProperty":null,)"
          R"("municipalProperty":null,"hostelTypeCodes":null})"));
}

TEST_F(PortalApiTest, StreetPlaceholderIsAnEmptyString) {
    EXPECT_TRUE(SearchBody(S("R"), S("C"), QString()).contains(S(R"("streetCode":"",)")));
}

TEST_F(PortalApiTest, PassportBody) {
    EXPECT_EQ(PassportBody(S("G-1")), S(R"({"houseGuid":"G-1","passportParameterCode":null})"));
}

TEST_F(PortalApiTest, Links) {
    EXPECT_EQ(PassportPageLink(S("G"), S("T")),
              S("https://portal.test:8443/#!/passport/show?houseGuid=G&houseTypeCode=T"));
    EXPECT_EQ(OrganizationLink(S("O")), S("https://portal.test:8443/#!/organizationView/O"));
    EXPECT_EQ(ManagementLink(S("F"), S("G"), S("R")),
              S("https://portal.test:8443/#!/mkd?fiasHouseCode=F&houseGuid=G&orgRootGuid=R"));
}

TEST_F(PortalApiTest, PostSettingsReplaceTheCustomLines) {
    PortalClient client(ClientProfile::Worker);
    client.AddCustomHeader(S("Old: 1"));
    for (int i = 0; i < 3; ++i)
        ApplyPostSettings(client);
    EXPECT_EQ(client.ContentType(), S("application/json"));
    EXPECT_EQ(client.ContentCharset(), S("UTF-8"));
    EXPECT_EQ(client.Referer(), S("https://portal.test:8443"));
    EXPECT_EQ(client.CustomHeaders(),
              QStringList(
                  {S("Request-GUID: 00000000-0000-0000-0000-000000000000"), S("Session-GUID: 0")}));
}

TEST(PortalOrigin, EnvironmentOverridesTheBuiltInHost) {
    const bool hadValue = qEnvironmentVariableIsSet("PORTAL_ORIGIN");
    const QByteArray saved = qgetenv("PORTAL_ORIGIN");
    qunsetenv("PORTAL_ORIGIN");
    EXPECT_EQ(PortalOrigin(), S("https://") + S(PORTAL_HOST_FOR_TESTS));
    qputenv("PORTAL_ORIGIN", "https://127.0.0.1:1234");
    EXPECT_EQ(PortalOrigin(), S("https://127.0.0.1:1234"));
    if (hadValue)
        qputenv("PORTAL_ORIGIN", saved);
    else
        qunsetenv("PORTAL_ORIGIN");
}

} // namespace
