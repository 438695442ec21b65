// A fake logind, desktop portal and notification service for the tests, on the bus whose
// address is the first argument: it hands out inhibitor locks and records every call, and
// answers the tests' questions about them. "--no-logind" leaves logind out. Prints "ready" when
// its names are taken.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

class Logind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public slots:
    // The caller gets the write end of a pipe; its read end shows when the caller closed it.
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        requests_.append(QStringList{what, who, why, mode}.join(QLatin1Char('|')));
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        readEnds_.push_back(ends[0]);
        QDBusUnixFileDescriptor lock(ends[1]);
        ::close(ends[1]);
        return lock;
    }
    int OpenLocks() const {
        int open = 0;
        for (const int fd : readEnds_) {
            pollfd watch{fd, POLLIN, 0};
            open += ::poll(&watch, 1, 0) == 0;
        }
        return open;
    }
    QStringList Requests() const { return requests_; }

private:
    std::vector<int> readEnds_;
    QStringList requests_;
};

// One inhibition of the portal, ended by Close.
class PortalRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    PortalRequest(int& open, QObject* parent) : QObject(parent), open_(open) { ++open_; }

public slots:
    void Close() {
        --open_;
        deleteLater();
    }

private:
    int& open_;
};

class Portal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    explicit Portal(QDBusConnection bus) : bus_(std::move(bus)) {}

public slots:
    QDBusObjectPath Inhibit(const QString&, uint flags, const QVariantMap& options) {
        const QString path =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1").arg(requests_.size());
        requests_.append(QStringLiteral("%1|%2").arg(flags).arg(
            options.value(QStringLiteral("reason")).toString()));
        bus_.registerObject(path, new PortalRequest(open_, this), QDBusConnection::ExportAllSlots);
        return QDBusObjectPath(path);
    }
    int OpenLocks() const { return open_; }
    QStringList Requests() const { return requests_; }

private:
    QDBusConnection bus_;
    QStringList requests_;
    int open_ = 0;
};

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        received_.append(summary + QLatin1Char('|') + body);
        return uint(received_.size());
    }
    QStringList Received() const { return received_; }

private:
    QStringList received_;
};

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QDBusConnection bus = QDBusConnection::connectToBus(arguments.value(1), QStringLiteral("fake"));
    Logind logind;
    Portal portal(bus);
    Notifications notifications;
    const auto offer = [&](const char* service, const char* path, QObject* object) {
        return bus.registerObject(QString::fromLatin1(path), object,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QString::fromLatin1(service));
    };
    const bool ready =
        (arguments.contains(QStringLiteral("--no-logind")) ||
         offer("org.freedesktop.login1", "/org/freedesktop/login1", &logind)) &&
        offer("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", &portal) &&
        offer("org.freedesktop.Notifications", "/org/freedesktop/Notifications", &notifications);
    std::puts(ready ? "ready" : "failed");
    std::fflush(stdout);
    return ready ? QCoreApplication::exec() : 1;
}

#include "FakeDesktopServices.moc"
