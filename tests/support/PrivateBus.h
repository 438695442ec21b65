#pragma once

#include "ChildProcess.h"
#include "PortalSimProcess.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <memory>

// A D-Bus daemon of one test's own, with the fake logind, desktop portal and notification
// service (tests/desktop/FakeDesktopServices) on it; both end with the object.
class PrivateBus {
public:
    // withLogind false: only the portal and the notification service are there.
    explicit PrivateBus(bool withLogind = true);
    const QString& Address() const { return address_; }

    // What the fake was asked and what it holds: Inhibit calls ("what|who|why|mode" for logind,
    // "flags|reason" for the portal), locks still open, notices ("summary|body").
    QStringList LogindRequests() const;
    int LogindLocks() const;
    QStringList PortalRequests() const;
    int PortalLocks() const;
    QStringList Notices() const;

private:
    QVariant Ask(const char* path, const char* interface, const char* method) const;

    TemporaryFolder folder_;
    QString address_;
    std::unique_ptr<ChildProcess> daemon_;
    std::unique_ptr<ChildProcess> fake_;
    std::unique_ptr<QDBusConnection> query_;
};
