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

QVariant PrivateBus::Ask(const char* method) const {
    return query_
        ->call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                              QStringLiteral("/"), QString(),
                                              QString::fromLatin1(method)))
        .arguments()
        .value(0);
}
