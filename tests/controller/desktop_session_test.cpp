// What the desktop hears of the window's work, on a private bus with logind
// and a notification daemon: the computer is kept awake exactly while a
// transfer runs, and a transfer that ends while the window is not active is
// announced once.

#include "app/bus_desktop_session.h"
#include "controller/window_fixture.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/mock_bus.h"
#include "support/test_values.h"

#include <QApplication>

namespace fs = std::filesystem;

namespace {

class DesktopSessionTest : public WindowFixture {
protected:
    DesktopSessionTest() : WindowFixture("home")
    {
        writeFile(dir / "home" / "Downloads" / "Big.iso", 24 * MiB, 'b');
        makeFolder(dir / "drive");
        if (!bus.running() || !bus.startLogind() || !bus.startNotifications())
            return;
        session.emplace(bus.connection(), bus.connection());
        controller.setDesktopSession(&*session);
        // Written slowly enough to be seen running.
        io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
        io.slowDown(IoCall::pwrite, std::chrono::milliseconds(1));
    }

    void SetUp() override
    {
        if (!session)
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    }

    void scan()
    {
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        controller.scanAction();
    }

    void transfer()
    {
        dialogs.folderAnswers.push_back({dir / "drive"});
        controller.refreshVolumesAction();
        controller.selectSafeAction();
        if (fs::exists(dir / "drive" / "Loftwell"))
            dialogs.choiceAnswers.push_back(Dialogs::Choice::first); // the copies of the run before: used
        dialogs.confirmAnswers.push_back(true);
        controller.transferAction();
    }

    bool inhibitorsBecomeNone()
    {
        return QTest::qWaitFor([&] { return bus.inhibitors().isEmpty(); }, 5000);
    }

    QStringList notifications() const
    {
        return bus.calls(QStringLiteral("org.freedesktop.Notifications"),
                         QStringLiteral("/org/freedesktop/Notifications"));
    }

    MockBus bus;
    std::optional<BusDesktopSession> session;
};

} // namespace

TEST_F(DesktopSessionTest, TheComputerStaysAwakeWhileATransferRunsAndNotForAScan)
{
    io.slowDown(IoCall::statAt, std::chrono::milliseconds(20));
    scan();
    ASSERT_TRUE(ui.busy());
    EXPECT_TRUE(bus.inhibitors().isEmpty());
    ASSERT_TRUE(waitUntilIdle());

    transfer();
    ASSERT_TRUE(ui.busy());
    EXPECT_EQ(bus.inhibitors(), QStringList{QStringLiteral("sleep:shutdown|Loftwell|") +
                                            I18n::text("desktop.keepAwake") + QStringLiteral("|block")});
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(inhibitorsBecomeNone()) << bus.inhibitors().join(u',').toStdString();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.done"));

    // A stopped transfer lets go as well.
    scan();
    ASSERT_TRUE(waitUntilIdle());
    transfer();
    ASSERT_FALSE(bus.inhibitors().isEmpty());
    controller.stopAction();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(inhibitorsBecomeNone());
}

TEST_F(DesktopSessionTest, OneNotificationWhenTheWindowIsNotActiveAndNoneWhenItIs)
{
    scan();
    ASSERT_TRUE(waitUntilIdle());
    QApplication::setActiveWindow(view);
    transfer();
    ASSERT_TRUE(waitUntilIdle());
    QTest::qWait(300); // what the daemon would have heard by now
    EXPECT_TRUE(notifications().isEmpty()) << notifications().join(u'\n').toStdString();

    scan();
    ASSERT_TRUE(waitUntilIdle());
    transfer();
    QApplication::setActiveWindow(nullptr); // the user went elsewhere
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notifications().isEmpty(); }, 5000));
    QTest::qWait(300);
    const QStringList heard = notifications();
    ASSERT_EQ(heard.size(), 1) << heard.join(u'\n').toStdString();
    const QString expected = QStringList{QStringLiteral("Notify Loftwell 0 loftwell"), I18n::text("alert.done"),
                                         formatText(I18n::text("state.copied"), {std::int64_t(1)})}
                                 .join(u' ');
    EXPECT_TRUE(heard[0].startsWith(expected)) << heard[0].toStdString();

    // A run whose folder on the drive could not be made moved none of its items.
    scan();
    ASSERT_TRUE(waitUntilIdle());
    fs::remove_all(dir / "drive" / "Loftwell"); // no earlier copies to look at first
    io.failCall(IoCall::makeDirectoryAt, 1, EACCES);
    transfer();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications().size() == 2; }, 5000));
    EXPECT_TRUE(notifications()[1].contains(formatText(I18n::text("state.notCopied"), {std::int64_t(1)})))
        << notifications()[1].toStdString();
}
