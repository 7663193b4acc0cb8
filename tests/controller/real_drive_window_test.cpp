// The window on real exFAT, FAT32 and NTFS drives: the report lists each
// refused item with its culprit, the others are moved.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"

#include "fs/error_description.h"
#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/drive_image.h"
#include "support/drive_job.h"

#include <QCheckBox>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class WindowOnRealDrives : public WindowFixture, public ::testing::WithParamInterface<DriveKind> {
protected:
    WindowOnRealDrives() : WindowFixture("home") {}
};

} // namespace

TEST_P(WindowOnRealDrives, TheReportNamesEveryRefusalAndTheRestIsMoved)
{
    DriveImage drive(GetParam(), dir.path(), 192);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    const fs::path downloads = dir / "home" / "Downloads";
    const DriveJob job = makeDriveJob(GetParam(), downloads);

    dialogs.folderAnswers.push_back({downloads});
    controller.scanAction();
    ASSERT_TRUE(waitUntilIdle());
    dialogs.folderAnswers.push_back({drive.mountPoint()});
    controller.refreshVolumesAction();
    for (int row = 0; row < ui.rowCount(); ++row)
        ui.setTicked(row, true);
    ui.moveToTrashCheckbox()->setChecked(true);
    // fusefat names no device a read-back could reach past the kernel's
    // cache: its copies stay unchecked, and so do the originals.
    const bool checked = GetParam() != DriveKind::fat32;
    std::int64_t trashedSize = 0;
    for (const std::string& name : job.good)
        trashedSize += checked ? itemSize(downloads / name, fileSystem) : 0;
    dialogs.confirmAnswers.push_back(true);
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle(120'000));
    // A drive of its own: moving there frees space, and nothing warns otherwise.
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_FALSE(dialogs.confirmations[0].message.contains(I18n::text("alert.confirm.sameDisk")));
    EXPECT_FALSE(dialogs.confirmations[0].cancelByDefault);
    EXPECT_TRUE(dialogs.confirmations[0].message.contains(displayText(drive.mountPoint())));

    ASSERT_EQ(dialogs.alerts.size(), 1u);
    const QString report = dialogs.alerts[0].message;
    // What the originals now take in the Trash, and that emptying it frees that.
    if (checked) {
        EXPECT_TRUE(report.contains(formatText(I18n::text("alert.trashedSize"), {formatBytes(trashedSize)})))
            << report.toStdString();
    }
    const QString root = I18n::text("root.downloads");
    for (const RefusedItem& refused : job.refused) {
        const QString item = root + u'/' + QString::fromStdString(refused.item);
        EXPECT_TRUE(report.contains(item)) << refused.item << "\n" << report.toStdString();
        if (refused.reason != FsErrc::caseCollision) {
            EXPECT_TRUE(report.contains(describeError(FsError{refused.reason, {}, refused.culprit}, I18n::language())))
                << refused.item;
        }
        EXPECT_TRUE(fs::exists(downloads / refused.item)) << refused.item;
    }
    for (const std::string& name : job.good) {
        EXPECT_NE(report.contains(root + u'/' + QString::fromStdString(name) + u' '), checked) << name;
        EXPECT_NE(fs::exists(downloads / name), checked) << name;
    }
    EXPECT_EQ(report.contains(errorDescription(FsErrc::notCheckedOnDrive)), !checked) << report.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ExFatFat32Ntfs, WindowOnRealDrives,
                         ::testing::Values(DriveKind::exfat, DriveKind::fat32, DriveKind::ntfs),
                         [](const ::testing::TestParamInfo<DriveKind>& info) {
                             return std::string(driveKindName(info.param));
                         });
