// Keeping the computer awake and notifying, against real services on a private bus.

#include "desktop/desktop_notification.h"
#include "desktop/sleep_inhibitor.h"
#include "support/mock_bus.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString why = QStringLiteral("Moving items to an external drive");

} // namespace

TEST(SleepInhibitor, LogindHoldsTheLockExactlyWhileItLives)
{
    MockBus bus;
    if (!bus.running())
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    ASSERT_TRUE(bus.startLogind());
    {
        const SleepInhibitor awake(bus.connection(), bus.connection(), QStringLiteral("Loftwell"), why);
        EXPECT_EQ(awake.via(), SleepInhibitor::Via::logind);
        EXPECT_EQ(bus.inhibitors(),
                  QStringList{QStringLiteral("sleep:shutdown|Loftwell|") + why + QStringLiteral("|block")});
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return bus.inhibitors().isEmpty(); }, 5000))
        << bus.inhibitors().join(u',').toStdString();
}

TEST(SleepInhibitor, WithoutLogindThePortalInhibitsUntilItGoes)
{
    MockBus bus;
    if (!bus.running())
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    ASSERT_TRUE(bus.startPortal());
    const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/1/loftwell");
    {
        // The system bus here has no logind.
        const SleepInhibitor awake(bus.connection(), bus.connection(), QStringLiteral("Loftwell"), why);
        EXPECT_EQ(awake.via(), SleepInhibitor::Via::portal);
        const QStringList asked = bus.calls(portal, QStringLiteral("/org/freedesktop/portal/desktop"));
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Inhibit  5 "))) << asked[0].toStdString(); // logout | suspend
        EXPECT_TRUE(bus.calls(portal, request).isEmpty());
    }
    EXPECT_EQ(bus.calls(portal, request), QStringList{QStringLiteral("Close")});
}

TEST(SleepInhibitor, WithNeitherNothingIsHeldAndNothingFails)
{
    MockBus bus;
    if (!bus.running())
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    const SleepInhibitor onEmptyBuses(bus.connection(), bus.connection(), QStringLiteral("Loftwell"), why);
    EXPECT_EQ(onEmptyBuses.via(), SleepInhibitor::Via::nothing);
    const SleepInhibitor withoutBuses(std::nullopt, std::nullopt, QStringLiteral("Loftwell"), why);
    EXPECT_EQ(withoutBuses.via(), SleepInhibitor::Via::nothing);
}

TEST(DesktopNotification, IsSentUnderTheProgramsNameAndIcon)
{
    MockBus bus;
    if (!bus.running())
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    ASSERT_TRUE(bus.startNotifications());
    sendDesktopNotification(bus.connection(), QStringLiteral("Transfer Complete"),
                            QStringLiteral("2 of 2 items transferred"));
    const QString daemon = QStringLiteral("org.freedesktop.Notifications");
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bus.calls(daemon, path).isEmpty(); }, 5000));
    EXPECT_TRUE(bus.calls(daemon, path)[0].startsWith(
        QStringLiteral("Notify Loftwell 0 loftwell Transfer Complete 2 of 2 items transferred")))
        << bus.calls(daemon, path)[0].toStdString();
}
