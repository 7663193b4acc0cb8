// The main window view: which bands show in each state and where their controls are placed.

#include "ui/main_window_view.h"

#include "controller/interface_state.h"
#include "support/window_probe.h"
#include "ui/app_color.h"
#include "ui/window_layout.h"

#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

namespace {

Candidate candidate(const char* path)
{
    return Candidate(path, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                     QStringLiteral("reason"), 30'000'000);
}

class MainWindowViewTest : public ::testing::Test {
protected:
    MainWindowViewTest() : view(store)
    {
        view.resize(WindowMetrics::initialSize);
        view.show();
        ui.root = &view;
    }

    void show(bool busy, bool scanned, bool items, bool destination = false)
    {
        store.replaceItems(items ? std::vector<Candidate>{candidate("/d/a.zip")} : std::vector<Candidate>{});
        view.reloadTable();
        view.apply(interfaceState({busy, scanned, items, destination}, I18n::language()));
    }

    static bool visible(QWidget* widget) { return widget->isVisibleTo(widget->window()); }
    // Within antialiasing's rounding of the colour.
    static bool near(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
               std::abs(a.blue() - b.blue()) <= 2;
    }
    QColor pixel(int x, int y) { return view.grab().toImage().pixelColor(x, y); }

    CandidateStore store;
    MainWindowView view;
    WindowProbe ui;
};

} // namespace

TEST_F(MainWindowViewTest, BeforeTheFirstScanOnlyTheEmptyStateShows)
{
    show(false, false, false);
    EXPECT_TRUE(visible(ui.emptyState()));
    EXPECT_FALSE(visible(ui.tableView()));
    EXPECT_FALSE(visible(ui.summaryStrip()));
    EXPECT_FALSE(visible(ui.progressStrip()));
    EXPECT_EQ(ui.emptyState()->titleLabel()->text(), I18n::text("empty.ready.title"));
    EXPECT_TRUE(ui.emptyState()->icon()->active());
    EXPECT_FALSE(ui.drivePopup()->isEnabled());
    EXPECT_FALSE(ui.selectSafeButton()->isEnabled());
    EXPECT_TRUE(ui.transferButton()->isEnabled());
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanStart"));
    EXPECT_EQ(ui.mainContent()->geometry(), QRect(0, 123, 1200, 621));
    // The status dot in its muted grey, the scan button green.
    const QRect dot = ui.driveStatusDot()->geometry().translated(ui.driveSelector()->geometry().topLeft());
    EXPECT_TRUE(near(pixel(dot.center().x(), dot.center().y()), AppColor::mutedText));
    const QRect scan = ui.scanButton()->geometry();
    EXPECT_EQ(pixel(scan.left() + 12, scan.top() + 4), AppColor::emerald);
}

TEST_F(MainWindowViewTest, ResultsTakeTheSummaryBandAndTheTable)
{
    show(false, true, true, true);
    EXPECT_FALSE(visible(ui.emptyState()));
    EXPECT_TRUE(visible(ui.tableView()));
    EXPECT_TRUE(visible(ui.summaryStrip()));
    EXPECT_EQ(ui.summaryStrip()->geometry(), QRect(0, 123, 1200, 81));
    EXPECT_EQ(ui.mainContent()->geometry(), QRect(0, 204, 1200, 540));
    EXPECT_EQ(ui.tableView()->model()->rowCount(), 1);
    const QRect dot = ui.driveStatusDot()->geometry().translated(ui.driveSelector()->geometry().topLeft());
    EXPECT_TRUE(near(pixel(dot.center().x(), dot.center().y()), AppColor::emerald));
}

TEST_F(MainWindowViewTest, WhileWorkRunsOnlyTheProgressStripShowsAndNothingCanBePressed)
{
    show(true, false, false, true);
    EXPECT_TRUE(visible(ui.progressStrip()));
    EXPECT_FALSE(visible(ui.emptyState()));
    EXPECT_FALSE(visible(ui.tableView()));
    EXPECT_FALSE(visible(ui.summaryStrip()));
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui.scanButton(), ui.refreshButton(), ui.drivePopup(), ui.selectSafeButton(),
                                         ui.selectNoneButton(), ui.moveToTrashCheckbox(), ui.transferButton()})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanStop"));
    EXPECT_EQ(ui.progressStrip()->geometry(), QRect(0, 123, 1200, 44));
    EXPECT_EQ(ui.mainContent()->geometry(), QRect(0, 167, 1200, 577));
    // The scan button shows its disabled look over the red, and so does Transfer.
    const QRect scan = ui.scanButton()->geometry();
    EXPECT_EQ(pixel(scan.left() + 12, scan.top() + 4), AppColor::border);
    const QRect transfer = ui.transferButton()->geometry().translated(ui.bottomBar()->geometry().topLeft());
    EXPECT_EQ(pixel(transfer.left() + 12, transfer.top() + 4), AppColor::border);
    EXPECT_EQ(pixel(600, 123 + 5), AppColor::emeraldTint);
}

TEST_F(MainWindowViewTest, ProgressAndDestinationValuesAreShownAsGiven)
{
    show(true, true, true, true);
    view.apply(ProgressDisplay{QStringLiteral("Transferring: a.zip"), QStringLiteral("2 / 4"), 4000, 1500});
    EXPECT_EQ(ui.progressPathLabel()->text(), QStringLiteral("Transferring: a.zip"));
    EXPECT_EQ(ui.progressStatusLabel()->text(), QStringLiteral("2 / 4"));
    EXPECT_EQ(ui.progressIndicator()->maximum(), 4000);
    EXPECT_EQ(ui.progressIndicator()->value(), 1500);
    // The status sits left of the Stop button, which ends at the strip's right edge.
    ASSERT_FALSE(ui.stopButton()->isHidden());
    EXPECT_EQ(ui.stopButton()->geometry().right() + 1, 1200 - 24);
    EXPECT_EQ(ui.progressStatusLabel()->geometry().right() + 1, ui.stopButton()->geometry().left() - 16);
    EXPECT_LE(ui.progressIndicator()->geometry().right(), ui.progressStatusLabel()->geometry().right());
    view.apply(ProgressDisplay{QStringLiteral("Scanning: Downloads"), QStringLiteral("Finding"), 0, 0});
    EXPECT_EQ(ui.progressIndicator()->maximum(), 0); // indeterminate

    view.apply(DestinationDisplay{{QStringLiteral("Backup (12 GB available)")},
                                  0,
                                  QStringLiteral("Backup (12 GB available)"),
                                  AppColor::secondaryText,
                                  {QStringLiteral(" (12 GB available)")}});
    EXPECT_EQ(ui.drivePopup()->count(), 1);
    EXPECT_EQ(ui.drivePopup()->itemText(0), QStringLiteral("Backup (12 GB available)"));
    EXPECT_EQ(ui.driveNameLabel()->text(), QStringLiteral("Backup (12 GB available)"));
    EXPECT_EQ(ui.driveNameLabel()->textColor(), AppColor::secondaryText);
    EXPECT_EQ(view.destinationIndex(), 0);
}

TEST_F(MainWindowViewTest, PlacesTheControlsOfEveryBand)
{
    show(false, false, false);
    const bool chinese = I18n::isChinese();
    EXPECT_EQ(ui.toolbar()->geometry(), QRect(0, 0, 1200, 123));
    EXPECT_EQ(ui.bottomBar()->geometry(), QRect(0, 744, 1200, 76));
    EXPECT_EQ(ui.driveSelector()->geometry(), QRect(470, 62, 260, 30));
    EXPECT_EQ(ui.drivePopup()->geometry(), QRect(0, 0, 260, 30));
    EXPECT_EQ(ui.scanButton()->geometry().right() + 1, 1200 - 24);
    EXPECT_EQ(ui.scanButton()->width(), chinese ? 136 : 154);
    EXPECT_EQ(ui.refreshButton()->geometry().left(), 730 + 12);
    EXPECT_EQ(ui.selectSafeButton()->geometry(), QRect(24, 21, chinese ? 112 : 170, 34));
    EXPECT_EQ(ui.transferButton()->geometry().right() + 1, 1200 - 24);
    EXPECT_EQ(ui.emptyState()->geometry(), QRect(0, 0, 1200, 621));
    // The window colour in the toolbar, white in the selector and content.
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(600, 20), AppColor::window);
    EXPECT_EQ(image.pixelColor(600, 122), AppColor::border);
    EXPECT_EQ(image.pixelColor(500, 70), AppColor::white);
    EXPECT_EQ(image.pixelColor(5, 300), AppColor::white);
    EXPECT_EQ(image.pixelColor(5, 744), AppColor::border);
    EXPECT_EQ(image.pixelColor(100, 744 + 21 + 3), AppColor::border); // Select Recommended, disabled
}

TEST_F(MainWindowViewTest, ShrinkingBelowTheMinimumKeepsEverythingApart)
{
    show(false, false, false);
    view.resize(600, 400);
    const QRect transfer = ui.transferButton()->geometry();
    EXPECT_LE(ui.moveToTrashCheckbox()->geometry().right(), transfer.left());
    EXPECT_GE(ui.bottomBar()->geometry().top(), ui.toolbar()->geometry().bottom());
}

TEST_F(MainWindowViewTest, TheTrashChoiceTicksInEmerald)
{
    show(false, false, false);
    QCheckBox* box = ui.moveToTrashCheckbox();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const QPoint fill = box->mapTo(
        &view, QPoint(indicator.left() + indicator.width() / 2, indicator.top() + indicator.height() / 6 + 1));
    EXPECT_EQ(pixel(fill.x(), fill.y()), AppColor::white);
    box->setChecked(true);
    EXPECT_EQ(pixel(fill.x(), fill.y()), AppColor::emerald);
}
