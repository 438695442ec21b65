#pragma once

#include <QString>

// Links into the portal's web pages that the table carries; each begins with the portal origin.
namespace records {

// The house passport page: "/#!/passport/show?houseGuid=<guid>&houseTypeCode=<code>".
QString PassportPageLink(const QString& houseGuid, const QString& houseTypeCode);

// An organisation's page: "/#!/organizationView/<guid>".
QString OrganizationLink(const QString& organizationGuid);

// The management page of an apartment house:
// "/#!/mkd?fiasHouseCode=<fias guid>&houseGuid=<guid>&orgRootGuid=<root guid>".
QString ManagementLink(const QString& fiasHouseGuid, const QString& houseGuid,
                       const QString& orgRootGuid);

} // namespace records
