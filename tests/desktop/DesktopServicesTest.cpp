// The sleep inhibitor and the desktop notice against a private bus with fake services.
#include "PrivateBus.h"
#include "desktop/DesktopNotice.h"
#include "desktop/SleepInhibitor.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kWho = QStringLiteral("Парсер домов с localhost");

bool Eventually(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

TEST(SleepInhibitor, TakesLogindsLockOrThePortalsAndLetsGoOfIt) {
    const struct {
        const char* name;
        bool logind;
        bool usePortal;
        bool bus;
        bool held;
        QStringList logindRequests;
        QStringList portalRequests;
    } cases[] = {
        {"logind",
         true,
         true,
         true,
         true,
         {QStringLiteral("idle:sleep|") + kWho + QStringLiteral("|Идёт выгрузка домов|block")},
         {}},
        {"portal in its stead",
         false,
         true,
         true,
         true,
         {},
         {QStringLiteral("12|Идёт выгрузка домов")}},
        {"no logind and no portal wanted", false, false, true, false, {}, {}},
        {"no bus at all", true, true, false, false, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrivateBus bus(c.logind);
        const QString address =
            c.bus ? bus.Address() : QStringLiteral("unix:path=/nonexistent/hx-bus");
        SleepInhibitor inhibitor(DesktopBuses::At(address, address), kWho, c.usePortal);
        EXPECT_EQ(inhibitor.Take(), c.held);
        EXPECT_EQ(inhibitor.Take(), c.held) << "a second Take takes no second lock";
        EXPECT_EQ(bus.LogindLocks() + bus.PortalLocks(), c.held ? 1 : 0);
        inhibitor.Release();
        EXPECT_TRUE(Eventually([&] { return bus.LogindLocks() + bus.PortalLocks() == 0; }));
        EXPECT_FALSE(inhibitor.Held());
        if (c.logind) {
            EXPECT_EQ(bus.LogindRequests(), c.logindRequests);
        }
        EXPECT_EQ(bus.PortalRequests(), c.portalRequests);
    }
}

TEST(DesktopNotice, ReachesTheNotificationService) {
    const PrivateBus bus;
    const DesktopBuses buses = DesktopBuses::At(bus.Address(), bus.Address());
    SendDesktopNotice(buses.session, kWho, QStringLiteral("Выгрузка завершена"),
                      QStringLiteral("В таблицу записано 8 домов"));
    EXPECT_TRUE(Eventually([&] {
        return bus.Notices() ==
               QStringList{QStringLiteral("Выгрузка завершена|В таблицу записано 8 домов")};
    }));
}

} // namespace
