#pragma once

#include <QString>

class PortalClient;

// The portal's REST interface as this program speaks it: the URLs of the nine requests, the
// two POST bodies, the settings applied to the worker client before every POST, and the
// links into the portal's web pages that the output table carries. Every URL and link begins
// with PortalOrigin(); codes and guids are inserted exactly as they are, without escaping.

// Directory requests (directory client, GET, answer is a JSON array).
QString RegionsUrl();
QString AreasUrl(const QString& regionCode);
QString CitiesOfRegionUrl(const QString& regionCode);
QString CitiesOfAreaUrl(const QString& regionCode, const QString& areaCode);
QString StreetsUrl(const QString& regionCode, const QString& areaCode, const QString& cityCode);

// Harvest requests (worker client).
QString HouseSearchUrl(int pageIndex, int pageSize); // POST with SearchBody
QString MapLookupUrl(const QString& houseGuid);      // GET, answer read as text
QString PassportSearchUrl();                         // POST with PassportBody, answer as bytes
QString HouseCardUrl(const QString& houseTypeCode, const QString& houseGuid); // GET

// The two request bodies, compact JSON, character for character.
QString SearchBody(const QString& regionCode, const QString& cityCode, const QString& streetCode);
QString PassportBody(const QString& houseGuid);

// Content type, referer and the two custom header lines, in this order, before every POST
// attempt; the worker's GETs go out with what the latest POST left on the client.
void ApplyPostSettings(PortalClient& client);

// Links into the portal's web pages.
QString PassportPageLink(const QString& houseGuid, const QString& houseTypeCode);
QString OrganizationLink(const QString& organizationGuid);
QString ManagementLink(const QString& fiasHouseGuid, const QString& houseGuid,
                       const QString& orgRootGuid);
