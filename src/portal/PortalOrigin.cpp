#include "portal/PortalOrigin.h"

#include <QtGlobal>

QString PortalOrigin() {
    const QString fromEnvironment = qEnvironmentVariable("PORTAL_ORIGIN");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral("https://") + QStringLiteral(PORTAL_HOST);
}
