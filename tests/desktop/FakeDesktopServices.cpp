// A fake logind, desktop portal and notification service on the bus whose address is the first
// argument ("--no-logind" leaves logind out). It hands out inhibitor locks, records every call
// and answers the tests' questions: Locks (still held), Requests, Notices. Prints "ready".
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class FakeServices final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const QString method = call.member();
        const QVariantList in = call.arguments();
        QVariant out;
        if (method == QLatin1String("Inhibit") && in.size() == 4) { // logind
            requests_.append(
                QStringList{in[0].toString(), in[1].toString(), in[2].toString(), in[3].toString()}
                    .join(QLatin1Char('|')));
            // The caller holds the write end; the read end shows when every copy is closed.
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0)
                return false;
            pipes_.append(ends[0]);
            out = QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
            ::close(ends[1]);
        } else if (method == QLatin1String("Inhibit")) { // the portal
            requests_.append(QStringLiteral("%1|%2")
                                 .arg(in.value(1).toUInt())
                                 .arg(qdbus_cast<QVariantMap>(in.value(2))
                                          .value(QStringLiteral("reason"))
                                          .toString()));
            const QString path = QStringLiteral("/request/%1").arg(requests_.size());
            portalLocks_.append(path);
            out = QVariant::fromValue(QDBusObjectPath(path));
        } else if (method == QLatin1String("Close")) {
            portalLocks_.removeAll(call.path());
        } else if (method == QLatin1String("Notify")) {
            notices_.append(in.value(3).toString() + QLatin1Char('|') + in.value(4).toString());
            out = uint(notices_.size());
        } else if (method == QLatin1String("Locks")) {
            int open = int(portalLocks_.size());
            for (const int fd : pipes_) {
                pollfd watch{fd, POLLIN, 0};
                open += ::poll(&watch, 1, 0) == 0;
            }
            out = open;
        } else if (method == QLatin1String("Requests") || method == QLatin1String("Notices")) {
            out = method == QLatin1String("Notices") ? notices_ : requests_;
        } else {
            return false;
        }
        return bus.send(out.isValid() ? call.createReply(out) : call.createReply());
    }

private:
    QList<int> pipes_;
    QStringList portalLocks_;
    QStringList requests_;
    QStringList notices_;
};

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QDBusConnection bus = QDBusConnection::connectToBus(arguments.value(1), QStringLiteral("fake"));
    FakeServices services;
    bool ready =
        bus.registerVirtualObject(QStringLiteral("/"), &services, QDBusConnection::SubPath);
    QStringList names{QStringLiteral("org.freedesktop.portal.Desktop"),
                      QStringLiteral("org.freedesktop.Notifications")};
    if (!arguments.contains(QStringLiteral("--no-logind")))
        names.append(QStringLiteral("org.freedesktop.login1"));
    for (const QString& name : names)
        ready = ready && bus.registerService(name);
    std::puts(ready ? "ready" : "failed");
    std::fflush(stdout);
    return ready ? QCoreApplication::exec() : 1;
}
