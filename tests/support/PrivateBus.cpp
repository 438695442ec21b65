#include "PrivateBus.h"

#include <QAtomicInt>
#include <QDBusMessage>
#include <QFile>
#include <stdexcept>

namespace {

constexpr int kStartMs = 10000;

// A session-type bus that activates nothing: only the fake offers the desktop's names.
QByteArray Config(const QString& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path=" +
           QFile::encodeName(socket) +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}

} // namespace

PrivateBus::PrivateBus(bool withLogind) {
    const QString config = folder_.Path() + QStringLiteral("/bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(Config(folder_.Path() + QStringLiteral("/bus"))) < 0)
        throw std::runtime_error("cannot write the bus configuration");
    file.close();
    daemon_ = std::make_unique<ChildProcess>(
        QStringList{QStringLiteral("dbus-daemon"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address"), QStringLiteral("--config-file=") + config});
    address_ = QString::fromUtf8(daemon_->ReadLine(kStartMs));
    if (address_.isEmpty())
        throw std::runtime_error("dbus-daemon gave no address");
    QStringList fake{QStringLiteral(HX_FAKE_DESKTOP), address_};
    if (!withLogind)
        fake.append(QStringLiteral("--no-logind"));
    fake_ = std::make_unique<ChildProcess>(fake);
    if (fake_->ReadLine(kStartMs) != "ready")
        throw std::runtime_error("the fake desktop services did not start");
    static QAtomicInt serial;
    query_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
        address_, QStringLiteral("private-bus-query-%1").arg(serial.fetchAndAddRelaxed(1))));
}

QVariant PrivateBus::Ask(const char* path, const char* interface, const char* method) const {
    const char* service = QByteArray(interface).startsWith("org.freedesktop.portal")
                              ? "org.freedesktop.portal.Desktop"
                          : QByteArray(interface).startsWith("org.freedesktop.login1")
                              ? "org.freedesktop.login1"
                              : "org.freedesktop.Notifications";
    const QDBusMessage reply = query_->call(QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface),
        QString::fromLatin1(method)));
    return reply.arguments().value(0);
}

QStringList PrivateBus::LogindRequests() const {
    return Ask("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Requests")
        .toStringList();
}

int PrivateBus::LogindLocks() const {
    return Ask("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "OpenLocks").toInt();
}

QStringList PrivateBus::PortalRequests() const {
    return Ask("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Inhibit", "Requests")
        .toStringList();
}

int PrivateBus::PortalLocks() const {
    return Ask("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Inhibit", "OpenLocks")
        .toInt();
}

QStringList PrivateBus::Notices() const {
    return Ask("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Received")
        .toStringList();
}
