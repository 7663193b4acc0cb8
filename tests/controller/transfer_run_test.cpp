// A transfer driven through the controller with scripted dialogs on real folders: checks, confirmation, report.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"
#include "ui/candidate_table_model.h"

#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "ui/app_color.h"
#include "ui/label.h"
#include "ui/styled_button.h"
#include "ui/window_layout.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QProgressBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

// The whole job through the controller, with scripted dialogs, on real folders.
class TransferRunTest : public WindowFixture {
protected:
    TransferRunTest() : WindowFixture("home")
    {
        writeFile(dir / "home" / "Downloads" / "Movie.mkv", 21 * MiB, 'm');
        writeFile(dir / "home" / "Downloads" / "Album" / "song.flac", 22 * MiB, 'a');
        writeFile(dir / "home" / "Downloads" / "Album" / ".cover", 100, 'c');
        writeFile(dir / "home" / "Downloads" / "Ubuntu.utm" / "disk", 23 * MiB, 'u');
        writeFile(dir / "home" / "Downloads" / "Editor.app" / "bin", 24 * MiB, 'e');
        makeFolder(dir / "drive");
    }

    void scan()
    {
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        controller.scanAction();
        ASSERT_TRUE(waitUntilIdle());
    }

    void chooseDrive(const fs::path& folder)
    {
        dialogs.folderAnswers.push_back({folder});
        controller.refreshVolumesAction();
    }

    void transferAndWait(bool confirm = true)
    {
        dialogs.confirmAnswers.push_back(confirm);
        controller.transferAction();
        ASSERT_TRUE(waitUntilIdle(60'000));
    }

    fs::path onlyRun() const { return fs::directory_iterator(dir / "drive" / "Loftwell")->path(); }
};

} // namespace

TEST_F(TransferRunTest, ChoosingADestinationShowsItsNameAndFreeSpace)
{
    fileSystem.setVolumeValues(dir / "drive", VolumeValues{QStringLiteral("Backup"), 5'500'000'000, std::nullopt});
    // The picker opens on a drive the desktop mounted, not on a disk under
    // /mnt, with all of them in its sidebar; then on the destination chosen.
    fileSystem.setDriveMountPoints({"/mnt/other", "/media/sam/STICK"});
    chooseDrive(dir / "drive");
    const FolderRequest request = dialogs.folderRequests.back();
    EXPECT_EQ(request.startFolder, "/media/sam/STICK");
    EXPECT_EQ(request.places, (std::vector<fs::path>{"/mnt/other", "/media/sam/STICK"}));
    EXPECT_EQ(request.message, I18n::text("panel.destination.message"));
    EXPECT_EQ(request.prompt, I18n::text("panel.destination.prompt"));
    EXPECT_FALSE(request.multipleSelection);
    EXPECT_TRUE(request.canCreateFolders);
    const QString shown =
        formatText(I18n::text("drive.available"), {QStringLiteral("drive / Backup"), formatBytes(5'500'000'000)});
    EXPECT_EQ(ui.driveNameLabel()->text(), shown);
    EXPECT_EQ(ui.driveNameLabel()->textColor(), AppColor::secondaryText);
    EXPECT_EQ(ui.drivePopup()->count(), 1);
    EXPECT_EQ(ui.drivePopup()->itemText(0), shown);
    EXPECT_TRUE(ui.drivePopup()->isEnabled());
    EXPECT_EQ(fileSystem.openAccesses(), (std::vector<fs::path>{dir / "drive"}));

    // A label equal to the folder's name (composed differently) is not repeated.
    makeFolder(dir / "Café");
    fileSystem.setVolumeValues(dir / "Café", VolumeValues{QStringLiteral("Cafe\u0301"), std::nullopt, std::nullopt});
    chooseDrive(dir / "Café");
    const QString cafe = formatText(I18n::text("drive.available"), {QStringLiteral("Café"), formatBytes(0)});
    EXPECT_EQ(ui.driveNameLabel()->text(), cafe);
    EXPECT_EQ(ui.drivePopup()->count(), 1);
    EXPECT_EQ(fileSystem.accessStops(), 1); // the first drive's access

    dialogs.folderAnswers.push_back({}); // cancel: nothing changes
    controller.refreshVolumesAction();
    EXPECT_EQ(dialogs.folderRequests.back().startFolder, dir / "Café");
    EXPECT_EQ(ui.driveNameLabel()->text(), cafe);
    EXPECT_EQ(fileSystem.openAccesses(), (std::vector<fs::path>{dir / "Café"}));
}

TEST_F(TransferRunTest, ClickingTheSelectorAsksForADestinationThenOpensItsList)
{
    QWidget* selector = ui.driveSelector();
    const auto clickSelector = [&] {
        const QPoint centre = selector->mapTo(view, selector->rect().center());
        QWidget* target = view->childAt(centre);
        ASSERT_TRUE(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(view, centre));
    };
    dialogs.folderAnswers.push_back({dir / "drive"});
    clickSelector();
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].message, I18n::text("panel.destination.message"));
    EXPECT_EQ(dialogs.folderRequests[0].startFolder, dir / "home"); // no drive mounted
    EXPECT_EQ(ui.drivePopup()->currentText(), ui.driveNameLabel()->text());

    clickSelector();
    EXPECT_EQ(dialogs.folderRequests.size(), 1u);
    QWidget* list = QApplication::activePopupWidget();
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_TRUE(list->isAncestorOf(ui.drivePopup()->view()));
    list->close();
}

TEST_F(TransferRunTest, RefusalsComeInOrderWithAnAlert)
{
    // Album's hidden .git is moved with it, so its space is needed too:
    // the visible 43 MiB would fit in 45 MiB, the whole 48 MiB does not.
    writeFile(dir / "home" / "Downloads" / "Album" / ".git" / "pack", 5 * MiB, 'g');
    scan();
    controller.transferAction();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.noDrive.title"));
    EXPECT_EQ(dialogs.alerts[0].message, I18n::text("alert.noDrive.message"));

    fileSystem.setVolumeValues(dir / "drive", VolumeValues{std::nullopt, 45 * MiB, std::nullopt});
    chooseDrive(dir / "drive");
    controller.selectNoneAction();
    controller.transferAction();
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[1].title, I18n::text("alert.noSelection.title"));

    controller.selectSafeAction(); // Movie.mkv and Album
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle());
    const std::int64_t needed = 48 * MiB + allocatedBytes(dir / "home" / "Downloads" / "Album" / ".cover");
    ASSERT_EQ(dialogs.alerts.size(), 3u);
    EXPECT_EQ(dialogs.alerts[2].title, I18n::text("alert.notEnoughSpace.title"));
    EXPECT_EQ(dialogs.alerts[2].message,
              formatText(I18n::text("alert.notEnoughSpace.message"), {formatBytes(needed), formatBytes(45 * MiB)}));
    EXPECT_TRUE(dialogs.confirmations.empty());
    EXPECT_FALSE(fs::exists(dir / "drive" / "Loftwell"));

    // With room, the confirmation's total is the same whole size.
    fileSystem.setVolumeValues(dir / "drive", VolumeValues{std::nullopt, 60 * MiB, std::nullopt});
    chooseDrive(dir / "drive");
    transferAndWait(false);
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_TRUE(dialogs.confirmations[0].message.contains(formatBytes(needed)))
        << dialogs.confirmations[0].message.toStdString();
}

TEST_F(TransferRunTest, TheConfirmationSaysWhatWillHappenAndCancelChangesNothing)
{
    scan();
    fileSystem.setVolumeValues(dir / "drive",
                               VolumeValues{std::nullopt, 0, std::nullopt}); // unknown space: not checked
    chooseDrive(dir / "drive");
    for (int row = 0; row < ui.rowCount(); ++row)
        ui.setTicked(row, true);
    ui.moveToTrashCheckbox()->setChecked(true);
    dialogs.confirmAnswers.push_back(false);
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    const auto& confirmation = dialogs.confirmations[0];
    EXPECT_EQ(confirmation.title, formatText(I18n::text("alert.confirm.title"), {std::int64_t(4)}));
    // Caution counts every item that is not safe; apps count by extension.
    // The destination and the size, and that a folder on this disk frees nothing.
    std::int64_t total = 0;
    for (const char* name : {"Movie.mkv", "Album", "Ubuntu.utm", "Editor.app"})
        total += itemSize(dir / "home" / "Downloads" / name, fileSystem);
    EXPECT_EQ(confirmation.message,
              I18n::text("alert.confirm.trash") + I18n::text("alert.confirm.local") +
                  formatText(I18n::text("alert.confirm.summary"), {displayText(dir / "drive"), formatBytes(total)}) +
                  I18n::text("alert.confirm.sameDisk") +
                  formatText(I18n::text("alert.confirm.caution"), {std::int64_t(2)}) +
                  formatText(I18n::text("alert.confirm.apps"), {std::int64_t(1)}));
    EXPECT_EQ(confirmation.acceptTitle, I18n::text("alert.start"));
    EXPECT_EQ(confirmation.cancelTitle, I18n::text("alert.cancel"));
    EXPECT_FALSE(ui.busy());
    EXPECT_FALSE(fs::exists(dir / "drive" / "Loftwell"));
    EXPECT_TRUE(ui.ticked(0));
}

TEST_F(TransferRunTest, CopiesVerifiesTrashesAndReports)
{
    const fs::path home = dir / "home";
    scan();
    chooseDrive(dir / "drive");
    ui.moveToTrashCheckbox()->setChecked(true);
    const std::int64_t trashedSize =
        itemSize(home / "Downloads" / "Movie.mkv", fileSystem) + itemSize(home / "Downloads" / "Album", fileSystem);
    transferAndWait();

    // Movie.mkv and Album (the safe ones) went; the others stayed.
    const fs::path run = onlyRun();
    const std::string root = I18n::text("root.downloads").toStdString();
    EXPECT_EQ(readAll(run / root / "Movie.mkv"), std::string(21 * MiB, 'm'));
    EXPECT_EQ(readAll(run / root / "Album" / "song.flac"), std::string(22 * MiB, 'a'));
    EXPECT_EQ(readAll(run / root / "Album" / ".cover"), std::string(100, 'c'));
    EXPECT_FALSE(fs::exists(home / "Downloads" / "Movie.mkv"));
    EXPECT_TRUE(fs::exists(home / ".local" / "share" / "Trash" / "files" / "Movie.mkv"));
    EXPECT_TRUE(fs::exists(home / ".local" / "share" / "Trash" / "files" / "Album"));
    EXPECT_TRUE(fs::exists(home / "Downloads" / "Ubuntu.utm"));

    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.done"));
    // The drive here is a folder on the items' own disk: emptying the Trash
    // frees nothing overall, and the report says so.
    EXPECT_EQ(dialogs.alerts[0].message,
              formatText(I18n::text("alert.destination"), {displayText(run)}) + I18n::text("alert.trashed") +
                  formatText(I18n::text("alert.trashedSizeSameDisk"), {formatBytes(trashedSize)}));
    // Every tick cleared, the list kept, the window idle again.
    EXPECT_EQ(ui.rowCount(), 4);
    for (int row = 0; row < ui.rowCount(); ++row)
        EXPECT_FALSE(ui.ticked(row));
    EXPECT_TRUE(ui.tableView()->isVisibleTo(view));
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanAgain"));
    // The moved rows stay, shown as moved, out of the counts and sizes.
    EXPECT_EQ(ui.progressStatusLabel()->text(),
              formatText(I18n::text("progress.status.found"), {std::int64_t(2), formatBytes(47 * MiB + 4096)}));
    QTableView* table = ui.tableView();
    const QImage image = table->viewport()->grab().toImage();
    for (const char* name : {"Movie.mkv", "Album"}) {
        const int row = ui.rowNamed(QString::fromLatin1(name));
        EXPECT_EQ(ui.cell(row, CandidateTableModel::riskColumn), I18n::text("risk.moved")) << name;
        // No tick box: nothing drawn in its place, nothing for assistive technology to tick.
        const int middle = table->rowViewportPosition(row) + 22;
        const int checkX = table->columnViewportPosition(CandidateTableModel::selectedColumn) + 21;
        EXPECT_EQ(image.pixelColor(checkX - 5, middle - 5), AppColor::white) << name;
        EXPECT_FALSE(
            ui.tableModel()->index(row, CandidateTableModel::selectedColumn).data(Qt::CheckStateRole).isValid());
        // The name in grey, never in the text colour.
        bool grey = false, dark = false;
        const int nameX = table->columnViewportPosition(CandidateTableModel::nameColumn);
        for (int x = nameX; x < nameX + table->columnWidth(CandidateTableModel::nameColumn); ++x) {
            for (int y = middle - 8; y < middle + 8; ++y) {
                grey = grey || image.pixelColor(x, y) == AppColor::mutedText;
                dark = dark || image.pixelColor(x, y) == AppColor::text;
            }
        }
        EXPECT_TRUE(grey && !dark) << name;
    }
    // "Select Recommended" passes them by: nothing safe is left to tick.
    controller.selectSafeAction();
    for (int row = 0; row < ui.rowCount(); ++row)
        EXPECT_FALSE(ui.ticked(row));
    ui.setTicked(ui.rowNamed(QStringLiteral("Movie.mkv")), true);
    EXPECT_FALSE(ui.ticked(ui.rowNamed(QStringLiteral("Movie.mkv"))));
}

TEST_F(TransferRunTest, CopyingOnlyKeepsOriginalsAndReportsFailures)
{
    scan();
    chooseDrive(dir / "drive");
    fileSystem.failCopy(dir / "home" / "Downloads" / "Movie.mkv", systemError(ENOSPC));
    transferAndWait();
    const fs::path run = onlyRun();
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Movie.mkv"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Album"));
    EXPECT_TRUE(fs::exists(run / I18n::text("root.downloads").toStdString() / "Album" / "song.flac"));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.partial"));
    EXPECT_TRUE(dialogs.alerts[0].message.startsWith(formatText(I18n::text("alert.destination"), {displayText(run)})));
    EXPECT_FALSE(dialogs.alerts[0].message.contains(I18n::text("alert.trashed")));
    EXPECT_TRUE(dialogs.alerts[0].message.contains(I18n::text("root.downloads") + QStringLiteral("/Movie.mkv")));
}

TEST_F(TransferRunTest, ClosingDuringATransferLosesNothing)
{
    writeFile(dir / "home" / "Downloads" / "Huge.mkv", 300 * MiB, 'h');
    {
        MainWindowController closing(fileSystem, dialogs);
        closing.view()->resize(WindowMetrics::initialSize);
        const WindowProbe probe{closing.view()};
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        closing.scanAction();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !probe.busy(); }, 20'000));
        dialogs.folderAnswers.push_back({dir / "drive"});
        closing.refreshVolumesAction();
        probe.moveToTrashCheckbox()->setChecked(true);
        dialogs.confirmAnswers.push_back(true);
        closing.transferAction();
        ASSERT_TRUE(probe.busy());
    } // the window goes while the first item is being copied
    // Whatever was not verified and trashed is still where it was.
    const std::string root = I18n::text("root.downloads").toStdString();
    for (const char* name : {"Huge.mkv", "Movie.mkv"}) {
        const bool original = fs::exists(dir / "home" / "Downloads" / name);
        const bool trashed = fs::exists(dir / "home" / ".local" / "share" / "Trash" / "files" / name);
        EXPECT_TRUE(original != trashed) << name;
        if (trashed) {
            const fs::path copy = fs::directory_iterator(dir / "drive" / "Loftwell")->path() / root / name;
            EXPECT_EQ(fs::file_size(copy), fs::file_size(dir / "home" / ".local" / "share" / "Trash" / "files" / name));
        }
    }
    EXPECT_EQ(fs::file_size(dir / "home" / "Downloads" / "Huge.mkv"), std::uintmax_t(300 * MiB));
}

TEST_F(TransferRunTest, TheWholeJobWithCollisionsTheTrashAndTheNewFreeSpace)
{
    // Two folders named Downloads outside the home: one per-root folder, so
    // the second Movie.mkv takes the next free name.
    writeFile(dir / "a" / "Downloads" / "Movie.mkv", 21 * MiB, '1');
    writeFile(dir / "b" / "Downloads" / "Movie.mkv", 21 * MiB, '2');
    dialogs.folderAnswers.push_back({dir / "a" / "Downloads", dir / "b" / "Downloads"});
    controller.scanAction();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(ui.rowCount(), 2);

    fileSystem.setVolumeValues(dir / "drive", VolumeValues{std::nullopt, 900 * MiB, std::nullopt});
    chooseDrive(dir / "drive");
    fileSystem.setVolumeValues(dir / "drive",
                               VolumeValues{std::nullopt, 858 * MiB, std::nullopt}); // what the copies will leave
    ui.moveToTrashCheckbox()->setChecked(true);
    transferAndWait();

    const fs::path perRoot = onlyRun() / "Downloads";
    EXPECT_EQ(readAll(perRoot / "Movie.mkv"), std::string(21 * MiB, '1'));
    EXPECT_EQ(readAll(perRoot / "Movie 2.mkv"), std::string(21 * MiB, '2'));
    // (A folder on the disk of the items, as tests have it.)
    EXPECT_EQ(ui.driveNameLabel()->text(),
              formatText(I18n::text("drive.available"), {QStringLiteral("drive"), formatBytes(858 * MiB)}) +
                  I18n::text("drive.sameDisk"));

    // An independent reader of the Trash sees both originals.
    QProcess list;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString((dir / "home").native()));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    list.setProcessEnvironment(environment);
    list.start(QStringLiteral("trash-list"), {});
    if (!list.waitForFinished(60'000) || list.exitStatus() != QProcess::NormalExit)
        GTEST_SKIP() << "trash-cli is not available";
    const QString listed = QString::fromUtf8(list.readAllStandardOutput());
    EXPECT_TRUE(listed.contains(QString::fromStdString((dir / "a" / "Downloads" / "Movie.mkv").native())))
        << listed.toStdString();
    EXPECT_TRUE(listed.contains(QString::fromStdString((dir / "b" / "Downloads" / "Movie.mkv").native())));
}

TEST_F(TransferRunTest, TheBarMovesWithTheBytesOfABigItem)
{
    // One big item on a slow drive of its own (the kernel's copy refuses
    // across drives): 768 writes of 128 KiB, then its read-back.
    writeFile(dir / "home" / "Downloads" / "Big.iso", 96 * MiB, 'b');
    io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
    io.slowDown(IoCall::pwrite, std::chrono::microseconds(600));
    io.slowDown(IoCall::read, std::chrono::milliseconds(15));
    scan();
    chooseDrive(dir / "drive");
    controller.selectNoneAction();
    ui.setTicked(ui.rowNamed(QStringLiteral("Big.iso")), true);
    ui.moveToTrashCheckbox()->setChecked(true);
    // What the bar shows, as a fraction of its range, each time it moves.
    std::set<int> permille;
    QString statusDuringItem;
    QProgressBar* bar = ui.progressIndicator();
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (bar->maximum() <= 0 || value <= 0)
            return;
        permille.insert(int(std::int64_t(value) * 1000 / bar->maximum()));
        statusDuringItem = ui.progressStatusLabel()->text();
    });
    transferAndWait();

    std::size_t within = 0; // steps strictly inside the one item
    for (int step : permille)
        within += step > 0 && step < 1000;
    EXPECT_GE(within, 10u);
    ASSERT_FALSE(permille.empty());
    EXPECT_GT(*permille.rbegin(), 500); // into the read-back half
    // "i / N", then the run's bytes; the last moves were reading back.
    EXPECT_TRUE(statusDuringItem.startsWith(QStringLiteral("1 / 1 · ")) &&
                statusDuringItem.contains(QStringLiteral(" of ")) &&
                statusDuringItem.contains(I18n::text("progress.status.verifying")))
        << statusDuringItem.toStdString();
    EXPECT_FALSE(fs::exists(dir / "home" / "Downloads" / "Big.iso"));
}
