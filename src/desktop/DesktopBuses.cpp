#include "desktop/DesktopBuses.h"

#include <QAtomicInt>

DesktopBuses DesktopBuses::Machine() {
    return {QDBusConnection::systemBus(), QDBusConnection::sessionBus()};
}

DesktopBuses DesktopBuses::At(const QString& systemAddress, const QString& sessionAddress) {
    // Every connection needs a name of its own.
    static QAtomicInt serial;
    const QString name = QStringLiteral("house-export-%1-").arg(serial.fetchAndAddRelaxed(1));
    return {QDBusConnection::connectToBus(systemAddress, name + QStringLiteral("system")),
            QDBusConnection::connectToBus(sessionAddress, name + QStringLiteral("session"))};
}
