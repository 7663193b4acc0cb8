// The window moving an item to an exFAT stick whose driver runs in user
// space, with the desktop's disk service (a UDisks2 mock that really
// remounts, slowly enough to be seen): the strip says it is checking the
// drive while the stick is unmounted and mounted again at another place;
// then the report names the dated folder at that place, and the
// destination follows the drive there.

#include "app/bus_desktop_session.h"
#include "controller/window_fixture.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/fuse_stick.h"
#include "support/mock_bus.h"
#include "support/test_values.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fs = std::filesystem;

namespace {

class FuseStickWindowTest : public WindowFixture {
protected:
    FuseStickWindowTest() : WindowFixture("home") {}

    static QString text(const fs::path& path) { return QString::fromStdString(path.native()); }
};

} // namespace

TEST_F(FuseStickWindowTest, SaysItChecksTheDriveAndFollowsItToItsNewPlace)
{
    FuseStick stick(DriveKind::exfat, dir.path(), 64, 64);
    if (!stick.mounted())
        GTEST_SKIP() << stick.why();
    // (The service's options, "-o ro" for the check, follow the mount point.)
    const std::string mount = "sleep 1; exec mount.exfat-fuse " + stick.disk().device() + " \"$0\" \"$@\"";
    const QJsonObject parameters{
        {QStringLiteral("device"), QString::fromStdString(stick.disk().device())},
        {QStringLiteral("driver"), QJsonArray{QStringLiteral("sh"), QStringLiteral("-c"), QString::fromStdString(mount),
                                              QStringLiteral("{point}")}},
        {QStringLiteral("uuid"), QStringLiteral("4A1C-0F2E")},
        {QStringLiteral("mounted_at"), text(stick.mountPoint())},
        {QStringLiteral("mount_again_at"), text(dir / "media" / "STICK1")}};
    MockBus bus;
    if (!bus.running() || !bus.startUdisks(QString::fromUtf8(QJsonDocument(parameters).toJson())))
        GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    BusDesktopSession session(bus.connection(), std::nullopt);
    controller.setDesktopSession(&session);
    const fs::path movie = dir / "home" / "Downloads" / "Movie.mkv";
    writeFile(movie, 21 * MiB, 'm');
    dialogs.folderAnswers.push_back({movie.parent_path()});
    controller.scanAction();
    ASSERT_TRUE(waitUntilIdle());
    dialogs.folderAnswers.push_back({stick.mountPoint()});
    controller.refreshVolumesAction();
    controller.selectSafeAction();
    ui.moveToTrashCheckbox()->setChecked(true);
    dialogs.confirmAnswers.push_back(true);
    controller.transferAction();

    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ui.progressPathLabel()->text() == I18n::text("progress.path.checkingDrive"); }, 30'000));
    ASSERT_TRUE(waitUntilIdle(60'000));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.done")) << dialogs.alerts[0].message.toStdString();
    const fs::path moved = dir / "media" / "STICK1";
    EXPECT_TRUE(dialogs.alerts[0].message.contains(displayText(moved / "Loftwell")))
        << dialogs.alerts[0].message.toStdString();
    EXPECT_FALSE(fs::exists(movie));
    const fs::path copy =
        fs::directory_iterator(moved / "Loftwell")->path() / pathFromText(I18n::text("root.downloads")) / "Movie.mkv";
    EXPECT_EQ(readAll(copy), std::string(21 * MiB, 'm'));
    // The destination is the same folder, where it is now.
    EXPECT_TRUE(ui.driveNameLabel()->text().startsWith(
        formatText(I18n::text("drive.available"), {QStringLiteral("STICK1"), QString()}).left(7)))
        << ui.driveNameLabel()->text().toStdString();
}
