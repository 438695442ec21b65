#include "portal/PortalApi.h"

#include "http/PortalClient.h"
#include "portal/PortalOrigin.h"

namespace {

const QString kFiasServices = QStringLiteral("/nsi/api/rest/services/nsi/fias/v4/");
const QString kDirectoryQuery =
    QStringLiteral("?actual=true&itemsPerPage=1000&page=1&searchString=&regionCode=");

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString RegionsUrl() {
    return PortalOrigin() + kFiasServices + QStringLiteral("regions");
}

QString AreasUrl(const QString& regionCode) {
    return PortalOrigin() + kFiasServices + QStringLiteral("areas") + kDirectoryQuery + regionCode;
}

QString CitiesOfRegionUrl(const QString& regionCode) {
    return PortalOrigin() + kFiasServices + QStringLiteral("cities") + kDirectoryQuery + regionCode;
}

QString CitiesOfAreaUrl(const QString& regionCode, const QString& areaCode) {
    return CitiesOfRegionUrl(regionCode) + QStringLiteral("&areaCode=") + areaCode;
}

QString StreetsUrl(const QString& regionCode, const QString& areaCode, const QString& cityCode) {
    return PortalOrigin() + kFiasServices +
           QStringLiteral("streets?actual=true&itemsPerPage=10000&page=1&searchString="
                          "&regionCode=") +
           regionCode + QStringLiteral("&areaCode=") + areaCode + QStringLiteral("&cityCode=") +
           cityCode;
}

QString HouseSearchUrl(int pageIndex, int pageSize) {
    return PortalOrigin() +
           QStringLiteral("/homemanagement/api/rest/services/houses/public/searchByAddress"
                          "?pageIndex=") +
           QString::number(pageIndex) + QStringLiteral("&elementsPerPage=") +
           QString::number(pageSize);
}

QString MapLookupUrl(const QString& houseGuid) {
    return PortalOrigin() + QStringLiteral("/search/api/rest/services/map/findByGuid?houseId=") +
           houseGuid;
}

QString PassportSearchUrl() {
    return PortalOrigin() + QStringLiteral("/homemanagement/api/rest/services/passports/search");
}

QString HouseCardUrl(const QString& houseTypeCode, const QString& houseGuid) {
    return PortalOrigin() + QStringLiteral("/homemanagement/api/rest/services/houses/public/") +
           houseTypeCode + QLatin1Char('/') + houseGuid;
}

QString SearchBody(const QString& regionCode, const QString& cityCode, const QString& streetCode) {
    return QStringLiteral("{\"regionCode\":") + Quoted(regionCode) +
           QStringLiteral(",\"cityCode\":") + Quoted(cityCode) +
           QStringLiteral(",\"streetCode\":") + Quoted(streetCode) +
           QStringLiteral(",\"fiasHouseCodeList\":null,\"estStatus\":null,\"strStatus\":null,"
                          "\"calcCount\":true,\"houseConditionRefList\":null,"
                          "\"houseTypeRefList\":null,\"houseManagementTypeRefList\":null,"
                          "\"cadastreNumber\":null,\"oktmo\":null,\"statuses\":[\"APPROVED\"],"
                          "\"regionProperty\":null,\"municipalProperty\":null,"
                          "\"hostelTypeCodes\":null}");
}

QString PassportBody(const QString& houseGuid) {
    return QStringLiteral("{\"houseGuid\":") + Quoted(houseGuid) +
           QStringLiteral(",\"passportParameterCode\":null}");
}

void ApplyPostSettings(PortalClient& client) {
    client.SetContentType(QStringLiteral("application/json;charset=UTF-8"));
    client.SetReferer(PortalOrigin());
    client.ClearCustomHeaders();
    client.AddCustomHeader(QStringLiteral("Request-GUID: 00000000-0000-0000-0000-000000000000"));
    client.AddCustomHeader(QStringLiteral("Session-GUID: 0"));
}

QString PassportPageLink(const QString& houseGuid, const QString& houseTypeCode) {
    return PortalOrigin() + QStringLiteral("/#!/passport/show?houseGuid=") + houseGuid +
           QStringLiteral("&houseTypeCode=") + houseTypeCode;
}

QString OrganizationLink(const QString& organizationGuid) {
    return PortalOrigin() + QStringLiteral("/#!/organizationView/") + organizationGuid;
}

QString ManagementLink(const QString& fiasHouseGuid, const QString& houseGuid,
                       const QString& orgRootGuid) {
    return PortalOrigin() + QStringLiteral("/#!/mkd?fiasHouseCode=") + fiasHouseGuid +
           QStringLiteral("&houseGuid=") + houseGuid + QStringLiteral("&orgRootGuid=") +
           orgRootGuid;
}
