#include "records/HouseLinks.h"

#include "portal/PortalOrigin.h"

namespace records {

QString PassportPageLink(const QString& houseGuid, const QString& houseTypeCode) {
    return PortalOrigin() + u"/#!/passport/show?houseGuid=" + houseGuid + u"&houseTypeCode=" +
           houseTypeCode;
}

QString OrganizationLink(const QString& organizationGuid) {
    return PortalOrigin() + u"/#!/organizationView/" + organizationGuid;
}

QString ManagementLink(const QString& fiasHouseGuid, const QString& houseGuid,
                       const QString& orgRootGuid) {
    return PortalOrigin() + u"/#!/mkd?fiasHouseCode=" + fiasHouseGuid + u"&houseGuid=" + houseGuid +
           u"&orgRootGuid=" + orgRootGuid;
}

} // namespace records
