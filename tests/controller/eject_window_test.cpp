// The report's Eject, through the window's controller and the desktop's disk
// service (a UDisks2 mock on a private system bus whose Unmount really
// unmounts an ext4 image): the drive is unmounted and powered off and the
// selector emptied; a busy drive stays, and is named; without the service,
// the report says how to eject by hand.

#include "app/bus_desktop_session.h"
#include "controller/window_fixture.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/loop_mount.h"
#include "support/mock_bus.h"
#include "support/test_values.h"

#include <QCheckBox>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class EjectWindowTest : public WindowFixture {
protected:
    EjectWindowTest() : WindowFixture("home"), drive(dir.path(), "ext4", 64)
    {
        writeFile(dir / "home" / "Downloads" / "Movie.mkv", 21 * MiB, 'm');
    }

    // The disk service, knowing the image as the drive "BACKUP".
    bool startService(MockBus& bus, bool withService = true)
    {
        return bus.running() &&
               (!withService || bus.startUdisksDrive(drive.device(), drive.mountPoint(), QStringLiteral("BACKUP")));
    }

    // With `useEarlier`, the copies of the run before are taken, nothing written.
    void moveToDrive(bool useEarlier = false)
    {
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        controller.scanAction();
        ASSERT_TRUE(waitUntilIdle());
        dialogs.folderAnswers.push_back({drive.mountPoint()});
        controller.refreshVolumesAction();
        controller.selectSafeAction();
        if (fs::exists(drive.mountPoint() / "Loftwell"))
            dialogs.choiceAnswers.push_back(useEarlier ? Dialogs::Choice::first // the copies of the run before
                                                       : Dialogs::Choice::second);
        dialogs.confirmAnswers.push_back(true);
        controller.transferAction();
        ASSERT_TRUE(waitUntilIdle(60'000));
    }

    LoopMount drive;
};

} // namespace

TEST_F(EjectWindowTest, EjectUnmountsAndPowersOffAndABusyDriveStays)
{
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    MockBus bus;
    if (!startService(bus))
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    BusDesktopSession session(bus.connection(), std::nullopt);
    controller.setDesktopSession(&session);

    // Busy: a file of the drive held open, as another program would.
    dialogs.actionAnswers.push_back(true);
    const int held = ::open((drive.mountPoint() / "lost+found").c_str(), O_RDONLY | O_DIRECTORY);
    moveToDrive();
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.done"));
    EXPECT_EQ(dialogs.alerts[0].action, formatText(I18n::text("alert.eject"), {QStringLiteral("BACKUP")}));
    EXPECT_EQ(dialogs.alerts[1].title, I18n::text("alert.ejectFailed"));
    EXPECT_EQ(dialogs.alerts[1].message, formatText(I18n::text("alert.ejectBusy"), {QStringLiteral("BACKUP")}));
    EXPECT_TRUE(drive.stillMounted());
    EXPECT_TRUE(ui.driveNameLabel()->text().startsWith(drive.mountPoint().filename().c_str()));
    ::close(held);

    // Let go: the next run, which only takes the copies the first one
    // made, ejects all the same, unmounting it and powering the drive off.
    dialogs.actionAnswers.push_back(true);
    moveToDrive(true);
    ASSERT_EQ(dialogs.alerts.size(), 4u);
    EXPECT_TRUE(dialogs.alerts[2].message.contains(QStringLiteral("Movie.mkv")))
        << dialogs.alerts[2].message.toStdString();
    EXPECT_EQ(dialogs.alerts[3].title, formatText(I18n::text("alert.ejected"), {QStringLiteral("BACKUP")}));
    EXPECT_FALSE(drive.stillMounted());
    EXPECT_TRUE(bus.calls(QStringLiteral("org.freedesktop.UDisks2"),
                          QStringLiteral("/org/freedesktop/UDisks2/drives/Fake_Stick"))
                    .join(u'\n')
                    .contains(QStringLiteral("PowerOff")));
    EXPECT_EQ(ui.driveNameLabel()->text(), I18n::text("drive.none"));
}

TEST_F(EjectWindowTest, WithoutTheServiceTheReportSaysHowToEjectByHand)
{
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    MockBus bus; // a system bus without UDisks2
    if (!startService(bus, false))
        GTEST_SKIP() << "needs dbus-daemon";
    BusDesktopSession session(bus.connection(), std::nullopt);
    controller.setDesktopSession(&session);
    moveToDrive();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_TRUE(dialogs.alerts[0].action.isEmpty());
    EXPECT_TRUE(dialogs.alerts[0].message.endsWith(I18n::text("alert.ejectByHand")))
        << dialogs.alerts[0].message.toStdString();
    EXPECT_TRUE(drive.stillMounted());
}
