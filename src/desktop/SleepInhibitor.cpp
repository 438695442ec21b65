#include "desktop/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace {

// A bus call that is not answered in this time counts as failed: the run must not wait on it.
constexpr int kCallTimeoutMs = 3000;

// The portal's inhibit flags: suspend (4) and idle (8).
constexpr uint kPortalSuspendAndIdle = 4 | 8;

QDBusMessage Call(const QDBusConnection& bus, QDBusMessage message) {
    if (!bus.isConnected())
        return {};
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

} // namespace

SleepInhibitor::SleepInhibitor(DesktopBuses buses, QString who, bool usePortal)
    : buses_(std::move(buses)), who_(std::move(who)), usePortal_(usePortal) {}

SleepInhibitor::~SleepInhibitor() {
    Release();
}

QString SleepInhibitor::Why() {
    return QStringLiteral("Идёт выгрузка домов");
}

QString SleepInhibitor::UnavailableText() {
    return QStringLiteral(
        "Не удалось запретить спящий режим: компьютер может уснуть во время выгрузки");
}

bool SleepInhibitor::Take() {
    if (Held())
        return true;
    return TakeFromLogind() || (usePortal_ && TakeFromPortal());
}

bool SleepInhibitor::TakeFromLogind() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    message << QStringLiteral("idle:sleep") << who_ << Why() << QStringLiteral("block");
    const QDBusMessage reply = Call(buses_.system, message);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    lock_ = reply.arguments().first().value<QDBusUnixFileDescriptor>();
    return lock_.isValid();
}

bool SleepInhibitor::TakeFromPortal() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    message << QString() << kPortalSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), Why()}};
    const QDBusMessage reply = Call(buses_.session, message);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    portalRequest_ = reply.arguments().first().value<QDBusObjectPath>().path();
    return !portalRequest_.isEmpty();
}

void SleepInhibitor::Release() {
    lock_ = QDBusUnixFileDescriptor();
    if (portalRequest_.isEmpty())
        return;
    // Closing the request ends the inhibition; nobody waits for the answer.
    buses_.session.send(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), portalRequest_,
        QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
    portalRequest_.clear();
}
