#pragma once

#include <QDBusConnection>

// The two buses the desktop services talk on: the system bus (logind) and the user's session
// bus (the desktop portal, the notification service). A bus that cannot be reached gives a
// connection that is not connected, and every call on it fails at once.
struct DesktopBuses {
    QDBusConnection system;
    QDBusConnection session;

    // The machine's buses (DBUS_SYSTEM_BUS_ADDRESS, DBUS_SESSION_BUS_ADDRESS or their defaults).
    static DesktopBuses Machine();
    // Private connections to the buses at these addresses (tests).
    static DesktopBuses At(const QString& systemAddress, const QString& sessionAddress);
};
