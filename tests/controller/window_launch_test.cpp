// The window's first state before it shows, and every folder access stopped once at teardown.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"

#include "model/text_table.h"
#include "ui/app_color.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class WindowLaunchTest : public WindowFixture {};

} // namespace

TEST_F(WindowLaunchTest, TheFirstStateIsComputedBeforeTheWindowShows)
{
    EXPECT_TRUE(ui.emptyState()->isVisibleTo(view));
    EXPECT_FALSE(ui.tableView()->isVisibleTo(view));
    EXPECT_FALSE(ui.progressStrip()->isVisibleTo(view));
    EXPECT_EQ(ui.emptyState()->titleLabel()->text(), I18n::text("empty.ready.title"));
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanStart"));
    EXPECT_EQ(ui.driveNameLabel()->text(), I18n::text("drive.none"));
    EXPECT_EQ(ui.driveNameLabel()->textColor(), AppColor::mutedText);
    EXPECT_EQ(ui.drivePopup()->count(), 1);
    EXPECT_FALSE(ui.drivePopup()->isEnabled());
    EXPECT_FALSE(ui.moveToTrashCheckbox()->isChecked());
    EXPECT_TRUE(ui.scanButton()->hasFocus() || !view->isActiveWindow());

    // A destination turns the dot green and the pop-up on; the empty state stays.
    makeFolder(dir / "drive");
    dialogs.folderAnswers.push_back({dir / "drive"});
    controller.refreshVolumesAction();
    EXPECT_TRUE(ui.drivePopup()->isEnabled());
    EXPECT_EQ(ui.driveStatusDot()->fillColor(), AppColor::emerald);
    EXPECT_EQ(ui.emptyState()->titleLabel()->text(), I18n::text("empty.ready.title"));
}

TEST(WindowTeardown, StopsEveryOpenAccessOnce)
{
    TempDir dir;
    makeFolder(dir / "a");
    makeFolder(dir / "b");
    makeFolder(dir / "drive");
    ScriptedFileSystem fileSystem;
    ScriptedDialogs dialogs;
    {
        MainWindowController controller(fileSystem, dialogs);
        const WindowProbe ui{controller.view()};
        dialogs.folderAnswers.push_back({dir / "drive"});
        controller.refreshVolumesAction();
        dialogs.folderAnswers.push_back({dir / "a", dir / "b"});
        controller.scanAction();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.busy(); }, 20'000));
        EXPECT_EQ(fileSystem.openAccesses(), (std::vector<fs::path>{dir / "drive", dir / "a", dir / "b"}));
    }
    EXPECT_EQ(fileSystem.accessStarts(), 3);
    EXPECT_EQ(fileSystem.accessStops(), 3);
    EXPECT_TRUE(fileSystem.openAccesses().empty());
}
