#pragma once

#include "ChildProcess.h"
#include "PortalSimProcess.h"

#include <QDBusConnection>
#include <QStringList>
#include <memory>

// A D-Bus daemon of one test's own with the fake desktop services
// (tests/desktop/FakeDesktopServices) on it, logind among them unless left out.
class PrivateBus {
public:
    explicit PrivateBus(bool withLogind = true);
    const QString& Address() const { return address_; }

    // Inhibitor locks still held, logind's and the portal's.
    int Locks() const { return Ask("Locks").toInt(); }
    // Every Inhibit call: "what|who|why|mode" for logind, "flags|reason" for the portal.
    QStringList Requests() const { return Ask("Requests").toStringList(); }
    // Every notification: "summary|body".
    QStringList Notices() const { return Ask("Notices").toStringList(); }

private:
    QVariant Ask(const char* method) const;

    TemporaryFolder folder_;
    QString address_;
    std::unique_ptr<ChildProcess> daemon_;
    std::unique_ptr<ChildProcess> fake_;
    std::unique_ptr<QDBusConnection> query_;
};
