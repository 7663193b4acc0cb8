// The summary strip's bar of the scanned folders' disk: what it says, what
// it draws, and where it does not show.

#include "controller/disk_bar.h"
#include "controller/window_fixture.h"

#include "model/byte_format.h"
#include "model/text_format.h"
#include "support/test_values.h"
#include "ui/app_color.h"
#include "ui/disk_bar_view.h"

#include <QAccessible>

namespace fs = std::filesystem;

TEST(DiskBar, SaysWhatTheTickedItemsFreeOfTheDisk)
{
    const DiskSpace disk{252'000'000'000, 100'000'000'000};
    const DiskBarDisplay display = diskBarDisplay(disk, 267'400'000, I18n::Language::english);
    EXPECT_FALSE(display.hidden);
    EXPECT_DOUBLE_EQ(display.usedFraction, 152.0 / 252.0);
    EXPECT_DOUBLE_EQ(display.freesFraction, 267'400'000 / 252e9);
    EXPECT_EQ(display.line, QStringLiteral("Frees 267.4 MB of this computer's 252 GB"));
    EXPECT_EQ(diskBarDisplay(disk, 0, I18n::Language::chinese).line,
              QStringLiteral("可释放 Zero KB（这台电脑共 252 GB）"));
    // Never more than is used; nothing where the disk is unknown.
    EXPECT_DOUBLE_EQ(diskBarDisplay(disk, 400'000'000'000, I18n::Language::english).freesFraction, 152.0 / 252.0);
    EXPECT_TRUE(diskBarDisplay(std::nullopt, 1, I18n::Language::english).hidden);
}

namespace {

class DiskBarWindowTest : public WindowFixture {
protected:
    DiskBarWindowTest()
    {
        writeFile(dir / "Downloads" / "Big.iso", 50 * MiB, 'b');
        writeFile(dir / "Downloads" / "Other.iso", 30 * MiB, 'o');
        // A disk of 200 MiB with 50 MiB free: the bar is 3/4 used.
        fileSystem.setVolumeValues(dir / "Downloads", VolumeValues{QStringLiteral("disk"), 50 * MiB, 200 * MiB});
    }

    void scan(std::vector<fs::path> roots)
    {
        dialogs.folderAnswers.push_back(std::move(roots));
        controller.scanAction();
        ASSERT_TRUE(waitUntilIdle());
    }

    DiskBarView* bar() const { return view->findChild<DiskBarView*>(QStringLiteral("diskBar")); }
};

} // namespace

TEST_F(DiskBarWindowTest, ShowsTheUsedAndTheFreedPartsAndFollowsEachTick)
{
    scan({dir / "Downloads"});
    ASSERT_NE(bar(), nullptr);
    ASSERT_TRUE(bar()->isVisible());
    // Both items are safe and ticked: 80 MiB of the 150 MiB used.
    const auto colourAt = [&](double fraction) {
        const QImage image = bar()->grab().toImage();
        return image.pixelColor(int(fraction * DiskBarView::barWidth), image.height() / 2);
    };
    EXPECT_EQ(colourAt(0.1), AppColor::mutedText); // stays used
    EXPECT_EQ(colourAt(0.6), AppColor::emerald);   // freed by the ticked items
    EXPECT_EQ(colourAt(0.9), AppColor::border);    // free
    const QString line = formatText(I18n::text("summary.frees"), {formatBytes(80 * MiB), formatBytes(200 * MiB)});
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar())->text(QAccessible::Name), line);

    ui.setTicked(ui.rowNamed(QStringLiteral("Big.iso")), false);
    EXPECT_EQ(colourAt(0.5), AppColor::mutedText); // 30 MiB freed now: from 0.6 to 0.75 of the bar
    EXPECT_EQ(colourAt(0.7), AppColor::emerald);
    EXPECT_EQ(bar()->display().line,
              formatText(I18n::text("summary.frees"), {formatBytes(30 * MiB), formatBytes(200 * MiB)}));
}

// Before Transfer is pressed: the line and the selector say that a folder on
// this very disk frees nothing, and Enter in the confirmation cancels.
TEST_F(DiskBarWindowTest, ADestinationOnTheItemsOwnDiskIsSaidBeforeTransfer)
{
    scan({dir / "Downloads"});
    // A long name at 1366x768: the name gives way, the warning stays whole.
    view->resize(1366, 768);
    const fs::path backup = dir / "Backup of the family photos and every project from the last ten years";
    makeFolder(backup);
    dialogs.folderAnswers.push_back({backup});
    controller.refreshVolumesAction();
    QCoreApplication::processEvents();
    const QString shown = ui.driveNameLabel()->shownText();
    EXPECT_NE(shown, ui.driveNameLabel()->text());
    EXPECT_TRUE(shown.endsWith(I18n::text("drive.sameDisk"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Ba"))) << shown.toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ui.driveNameLabel())->text(QAccessible::Name),
              ui.driveNameLabel()->text());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar())->text(QAccessible::Name),
              formatText(I18n::text("summary.freesNothing"), {formatBytes(200 * MiB)}));
    ASSERT_TRUE(bar()->isVisible());
    const QImage image = bar()->grab().toImage();
    EXPECT_EQ(image.pixelColor(int(0.6 * DiskBarView::barWidth), image.height() / 2), AppColor::mutedText);
    EXPECT_TRUE(ui.driveNameLabel()->text().endsWith(I18n::text("drive.sameDisk")))
        << ui.driveNameLabel()->text().toStdString();
    EXPECT_EQ(ui.driveNameLabel()->textColor(), AppColor::red);
    dialogs.confirmAnswers.push_back(false);
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_TRUE(dialogs.confirmations[0].cancelByDefault);
}

TEST_F(DiskBarWindowTest, HiddenWhereTheFoldersSpanDisksOrThereIsNoRoom)
{
    makeFolder(dir / "Elsewhere");
    ItemValues other;
    other.type = ItemType::directory;
    other.device = 4242; // another file system
    fileSystem.setItemValues(dir / "Elsewhere", other);
    scan({dir / "Downloads", dir / "Elsewhere"});
    ASSERT_GT(ui.rowCount(), 0);
    EXPECT_FALSE(bar()->isVisible());

    scan({dir / "Downloads"});
    EXPECT_TRUE(bar()->isVisible());
    // Squeezed: the summary row keeps its room, the bar goes.
    view->resize(520, 680);
    EXPECT_FALSE(bar()->isVisible());
}
