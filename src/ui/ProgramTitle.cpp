#include "ui/ProgramTitle.h"

#include "portal/PortalOrigin.h"

#include <QUrl>

QString ProgramTitle() {
    const QUrl origin(PortalOrigin());
    const QString host = origin.host().isEmpty() ? PortalOrigin() : origin.host();
    return QStringLiteral("Парсер домов с ") + host;
}
