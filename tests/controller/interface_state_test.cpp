#include "controller/main_window_controller.h"

#include "model/text_table.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "ui/app_color.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"
#include "ui/window_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

Candidate candidate(const char* path, RiskLevel risk = RiskLevel::safe)
{
    return Candidate(path, QStringLiteral("Downloads"), QStringLiteral("File"), risk, QStringLiteral("reason"), 30'000'000);
}

class InterfaceStateTest : public ::testing::Test {
protected:
    InterfaceStateTest() : controller(fileSystem, dialogs)
    {
        view = controller.view();
        view->resize(WindowMetrics::initialSize);
        view->show();
    }

    // Puts the controller into a situation as the scan and transfer runs would.
    void situation(bool busy, bool scanned, bool items)
    {
        controller.store().replaceItems(items ? std::vector<Candidate>{candidate("/d/a.zip")} : std::vector<Candidate>{});
        setState(busy, scanned);
        controller.updateInterfaceState();
    }

    void setState(bool busy, bool scanned);

    static bool visible(QWidget* widget) { return widget->isVisibleTo(widget->window()); }

    ScriptedFileSystem fileSystem;
    ScriptedDialogs dialogs;
    MainWindowController controller;
    QWidget* view;
};

} // namespace

// The two flags are the controller's own; tests reach them the way the runs
// do, through a friend-free path: a scan or transfer sets them. Here they are
// set through the public test hook below.
#include "controller/controller_state_access.h"

void InterfaceStateTest::setState(bool busy, bool scanned)
{
    ControllerStateAccess::set(controller, busy, scanned);
}

TEST_F(InterfaceStateTest, BeforeTheFirstScan)
{
    EXPECT_TRUE(visible(controller.emptyState()));
    EXPECT_FALSE(visible(controller.scrollView()));
    EXPECT_FALSE(visible(controller.summaryStrip()));
    EXPECT_FALSE(visible(controller.progressStrip()));
    EXPECT_EQ(controller.emptyState()->titleLabel()->text(), I18n::text("empty.ready.title"));
    EXPECT_EQ(controller.emptyState()->subtitleLabel()->text(), I18n::text("empty.ready.subtitle"));
    EXPECT_TRUE(controller.emptyState()->icon()->active());
    EXPECT_FALSE(controller.drivePopup()->isEnabled());
    EXPECT_EQ(controller.driveStatusDot()->fillColor(), AppColor::mutedText);
    EXPECT_FALSE(controller.selectSafeButton()->isEnabled());
    EXPECT_FALSE(controller.selectNoneButton()->isEnabled());
    EXPECT_TRUE(controller.scanButton()->isEnabled());
    EXPECT_TRUE(controller.refreshButton()->isEnabled());
    EXPECT_TRUE(controller.moveToTrashCheckbox()->isEnabled());
    EXPECT_FALSE(controller.moveToTrashCheckbox()->isChecked());
    EXPECT_TRUE(controller.transferButton()->isEnabled());
    EXPECT_EQ(controller.scanButton()->text(), I18n::text("button.scanStart"));
    EXPECT_EQ(controller.scanButton()->currentFillColor(), AppColor::emerald);
    EXPECT_EQ(controller.scanButton()->currentTitleColor(), AppColor::white);
    EXPECT_EQ(controller.driveNameLabel()->text(), I18n::text("drive.none"));
}

TEST_F(InterfaceStateTest, AScanThatFoundItems)
{
    situation(false, true, true);
    EXPECT_FALSE(visible(controller.emptyState()));
    EXPECT_TRUE(visible(controller.scrollView()));
    EXPECT_TRUE(visible(controller.summaryStrip()));
    EXPECT_FALSE(visible(controller.progressStrip()));
    EXPECT_EQ(controller.scanButton()->text(), I18n::text("button.scanAgain"));
    EXPECT_TRUE(controller.selectSafeButton()->isEnabled());
    EXPECT_TRUE(controller.selectNoneButton()->isEnabled());
    // The summary strip takes its band; the main content moves down.
    EXPECT_EQ(controller.summaryStrip()->geometry(), QRect(0, 123, 1200, 81));
    EXPECT_EQ(controller.mainContent()->geometry(), QRect(0, 204, 1200, 540));
}

TEST_F(InterfaceStateTest, AScanThatFoundNothing)
{
    situation(false, true, false);
    EXPECT_TRUE(visible(controller.emptyState()));
    EXPECT_FALSE(visible(controller.scrollView()));
    EXPECT_EQ(controller.emptyState()->titleLabel()->text(), I18n::text("empty.noItems.title"));
    EXPECT_EQ(controller.emptyState()->subtitleLabel()->text(), I18n::text("empty.noItems.subtitle"));
    EXPECT_EQ(controller.scanButton()->text(), I18n::text("button.scanAgain"));
    EXPECT_FALSE(controller.selectSafeButton()->isEnabled());
}

TEST_F(InterfaceStateTest, WhileWorkRuns)
{
    situation(true, false, false);
    EXPECT_TRUE(visible(controller.progressStrip()));
    EXPECT_FALSE(visible(controller.emptyState()));
    EXPECT_FALSE(visible(controller.scrollView()));
    EXPECT_FALSE(visible(controller.summaryStrip()));
    for (QWidget* control : std::initializer_list<QWidget*>{controller.scanButton(), controller.refreshButton(), controller.drivePopup(),
                                                            controller.selectSafeButton(), controller.selectNoneButton(),
                                                            controller.moveToTrashCheckbox(), controller.transferButton()})
        EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
    EXPECT_EQ(controller.scanButton()->text(), I18n::text("button.scanStop"));
    EXPECT_EQ(controller.scanButton()->fillColor(), AppColor::red);
    EXPECT_EQ(controller.scanButton()->currentFillColor(), AppColor::border); // the disabled look
    EXPECT_EQ(controller.transferButton()->currentFillColor(), AppColor::emerald); // looks the same
    EXPECT_EQ(controller.progressStatusLabel()->text(), I18n::text("progress.status.scanning"));
    EXPECT_EQ(controller.progressIndicator()->maximum(), 0); // indeterminate
    EXPECT_EQ(controller.progressStrip()->geometry(), QRect(0, 123, 1200, 44));
    EXPECT_EQ(controller.mainContent()->geometry(), QRect(0, 167, 1200, 577));
}

TEST_F(InterfaceStateTest, TwiceIsTheSameAsOnce)
{
    situation(false, true, true);
    const QString title = controller.scanButton()->text();
    const QRect table = controller.tableView()->geometry();
    controller.updateInterfaceState();
    EXPECT_EQ(controller.scanButton()->text(), title);
    EXPECT_EQ(controller.tableView()->geometry(), table);
    EXPECT_TRUE(visible(controller.scrollView()));
}

TEST_F(InterfaceStateTest, PlacesTheControlsOfEveryBand)
{
    const bool chinese = I18n::isChinese();
    EXPECT_EQ(controller.toolbar()->geometry(), QRect(0, 0, 1200, 123));
    EXPECT_EQ(controller.bottomBar()->geometry(), QRect(0, 744, 1200, 76));
    EXPECT_EQ(controller.driveSelector()->geometry(), QRect(470, 62, 260, 30));
    EXPECT_EQ(controller.drivePopup()->geometry(), QRect(0, 0, 260, 30));
    EXPECT_EQ(controller.scanButton()->geometry().right() + 1, 1200 - 24);
    EXPECT_EQ(controller.scanButton()->width(), chinese ? 136 : 154);
    EXPECT_EQ(controller.refreshButton()->geometry().left(), 730 + 12);
    EXPECT_EQ(controller.selectSafeButton()->geometry(), QRect(24, 21, chinese ? 112 : 170, 34));
    EXPECT_EQ(controller.transferButton()->geometry().right() + 1, 1200 - 24);
    EXPECT_EQ(controller.emptyState()->geometry(), QRect(0, 0, 1200, 621));
    // The window colour in the toolbar, white in the selector and content.
    const QImage image = view->grab().toImage();
    EXPECT_EQ(image.pixelColor(600, 20), AppColor::window);
    EXPECT_EQ(image.pixelColor(600, 122), AppColor::border);
    EXPECT_EQ(image.pixelColor(500, 70), AppColor::white);
    EXPECT_EQ(image.pixelColor(5, 300), AppColor::white);
    EXPECT_EQ(image.pixelColor(5, 744), AppColor::border);
    EXPECT_EQ(image.pixelColor(100, 744 + 21 + 3), AppColor::border); // Select Recommended, disabled
}

TEST_F(InterfaceStateTest, ShrinkingBelowTheMinimumKeepsEverythingApart)
{
    view->resize(600, 400);
    const QRect transfer = controller.transferButton()->geometry();
    EXPECT_LE(controller.moveToTrashCheckbox()->geometry().right(), transfer.left());
    EXPECT_GE(controller.bottomBar()->geometry().top(), controller.toolbar()->geometry().bottom());
}

TEST(ControllerAccesses, TeardownStopsEveryRecordedAccessOnce)
{
    ScriptedFileSystem fileSystem;
    ScriptedDialogs dialogs;
    {
        MainWindowController controller(fileSystem, dialogs);
        ControllerStateAccess::recordAccesses(controller, {"/a", "/b"}, std::filesystem::path("/drive"));
    }
    EXPECT_EQ(fileSystem.accessStops(), 3);
    EXPECT_EQ(fileSystem.accessStarts(), 3);
}
