// The sleep inhibitor against a private bus with fake services.
#include "PrivateBus.h"
#include "desktop/SleepInhibitor.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kWho = QStringLiteral("Парсер домов с localhost");
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/hx-bus");

bool Eventually(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(5);
    return condition();
}

TEST(SleepInhibitor, TakesLogindsLockOrThePortalsAndLetsGoOfIt) {
    const struct {
        const char* name;
        bool logind, usePortal, bus;
        QString request; // empty: no lock
    } cases[] = {
        {"logind", true, true, true,
         QStringLiteral("idle:sleep|") + kWho + QStringLiteral("|Идёт выгрузка домов|block")},
        {"the portal in its stead", false, true, true, QStringLiteral("12|Идёт выгрузка домов")},
        {"no logind, no portal wanted", false, false, true, {}},
        {"no bus at all", true, true, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrivateBus bus(c.logind);
        const QString address = c.bus ? bus.Address() : kNoBus;
        SleepInhibitor inhibitor(DesktopBuses::At(address, address), kWho, c.usePortal);
        EXPECT_EQ(inhibitor.Take(), !c.request.isEmpty());
        EXPECT_EQ(inhibitor.Take(), !c.request.isEmpty()) << "no second lock";
        EXPECT_EQ(bus.Requests(), c.request.isEmpty() ? QStringList() : QStringList{c.request});
        EXPECT_EQ(bus.Locks(), c.request.isEmpty() ? 0 : 1);
        inhibitor.Release();
        EXPECT_TRUE(Eventually([&] { return bus.Locks() == 0; }));
    }
}

} // namespace
