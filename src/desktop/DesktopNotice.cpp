#include "desktop/DesktopNotice.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void SendDesktopNotice(const QDBusConnection& session, const QString& appName,
                       const QString& summary, const QString& body) {
    if (!session.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // service's default).
    message << appName << uint(0) << QStringLiteral("house-export") << summary << body
            << QStringList() << QVariantMap() << -1;
    session.send(message);
}
