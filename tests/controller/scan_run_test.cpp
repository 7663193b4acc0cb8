// A scan driven through the controller with scripted dialogs on real folders: the list, its counts and pixels.

#include "controller/main_window_controller.h"
#include "controller/source_description.h"
#include "controller/window_fixture.h"
#include "scan/measured_text.h"
#include "ui/candidate_table_model.h"

#include "model/byte_format.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/warning_catcher.h"
#include "ui/app_color.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"
#include "ui/window_layout.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ScanRunTest : public WindowFixture {
protected:
    ScanRunTest()
    {
        // Downloads: one of each risk, plus something too small.
        writeFile(dir / "Downloads" / "Installer.dmg", 30 * MiB);
        writeFile(dir / "Downloads" / "Ubuntu.utm" / "disk.img", 25 * MiB);
        writeFile(dir / "Downloads" / "Editor.app" / "binary", 22 * MiB);
        writeFile(dir / "Downloads" / "notes.txt", 1 * MiB);
        makeFolder(dir / "Empty");
    }

    void scan(std::vector<fs::path> roots)
    {
        dialogs.folderAnswers.push_back(std::move(roots));
        controller.scanAction();
        waitForScan();
    }

    void waitForScan() { ASSERT_TRUE(waitUntilIdle()); }
};

} // namespace

TEST_F(ScanRunTest, AScanShowsTheSortedRecommendationsAndTheirCounts)
{
    // The model is checked through the whole scan; what the checker finds fails the test.
    const WarningCatcher modelProblems("qt.modeltest");
    QAbstractItemModelTester tester(ui.tableModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
    scan({dir / "Downloads"});
    EXPECT_EQ(modelProblems.warnings(), QStringList());

    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    const FolderRequest& request = dialogs.folderRequests[0];
    EXPECT_EQ(request.message, I18n::text("panel.source.message"));
    EXPECT_EQ(request.prompt, I18n::text("panel.source.prompt"));
    EXPECT_EQ(request.startFolder, dir.path());
    // The desktop's folders that exist, in its order, as the sidebar's places.
    EXPECT_EQ(request.places, (std::vector<fs::path>{dir / "Downloads"}));
    EXPECT_TRUE(request.multipleSelection);
    EXPECT_FALSE(request.canCreateFolders);

    ASSERT_EQ(ui.rowCount(), 3);
    EXPECT_EQ(ui.cell(0, CandidateTableModel::nameColumn), QStringLiteral("Installer.dmg"));
    EXPECT_EQ(ui.cell(0, CandidateTableModel::kindColumn), I18n::text("kind.installer"));
    EXPECT_EQ(ui.cell(0, CandidateTableModel::riskColumn), I18n::text("risk.safe"));
    EXPECT_EQ(ui.cell(0, CandidateTableModel::locationColumn), I18n::text("root.downloads"));
    EXPECT_EQ(ui.cell(0, CandidateTableModel::sizeColumn), formatBytes(30 * MiB));
    EXPECT_EQ(ui.cell(0, CandidateTableModel::noteColumn), I18n::text("reason.installer"));
    EXPECT_EQ(ui.cell(1, CandidateTableModel::nameColumn), QStringLiteral("Ubuntu.utm"));
    EXPECT_EQ(ui.cell(2, CandidateTableModel::nameColumn), QStringLiteral("Editor.app"));
    const QModelIndex name = ui.tableModel()->index(0, CandidateTableModel::nameColumn);
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString(),
              QString::fromStdString((dir / "Downloads" / "Installer.dmg").native()));
    EXPECT_EQ(ui.tableModel()->index(0, CandidateTableModel::kindColumn).data(Qt::ToolTipRole).toString(),
              I18n::text("reason.installer"));
    EXPECT_EQ(ui.tableModel()->headerData(CandidateTableModel::noteColumn, Qt::Horizontal, Qt::DisplayRole).toString(),
              I18n::text("table.reason"));

    // Only the safe item starts ticked.
    const std::int64_t total = 30 * MiB + 25 * MiB + 22 * MiB;
    EXPECT_EQ(ui.selectedCountLabel()->text(),
              formatText(I18n::text("summary.selectedCount"), {std::int64_t(1), std::int64_t(3)}));
    EXPECT_EQ(ui.selectedSizeLabel()->text(),
              formatText(I18n::text("summary.selectedSize"), {formatBytes(30 * MiB), formatBytes(total)}));
    EXPECT_EQ(ui.tabAllLabel()->text(), formatText(I18n::text("tab.all"), {std::int64_t(3)}));
    EXPECT_EQ(ui.tabSafeLabel()->text(), formatText(I18n::text("tab.safe"), {std::int64_t(1)}));
    EXPECT_EQ(ui.tabCautionLabel()->text(), formatText(I18n::text("tab.caution"), {std::int64_t(1)}));
    EXPECT_EQ(ui.tabAppLabel()->text(), formatText(I18n::text("tab.apps"), {std::int64_t(1)}));
    EXPECT_EQ(ui.selectedCautionBadge()->textLabel()->text(),
              formatText(I18n::text("summary.caution"), {std::int64_t(0)}));
    EXPECT_EQ(ui.selectedAppBadge()->textLabel()->text(), formatText(I18n::text("summary.apps"), {std::int64_t(0)}));
    EXPECT_EQ(ui.progressStatusLabel()->text(),
              formatText(I18n::text("progress.status.found"), {std::int64_t(3), formatBytes(total)}));
    EXPECT_TRUE(ui.tableView()->isVisibleTo(view));
    EXPECT_FALSE(ui.emptyState()->isVisibleTo(view));
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanAgain"));

    // Access: open on the chosen folder.
    EXPECT_EQ(fileSystem.openAccesses(), (std::vector<fs::path>{dir / "Downloads"}));
}

TEST_F(ScanRunTest, TheTableDrawsBadgesAndTicksInTheirColours)
{
    scan({dir / "Downloads"});
    QTableView* table = ui.tableView();
    const QImage image = table->viewport()->grab().toImage();
    const int riskX = table->columnViewportPosition(CandidateTableModel::riskColumn) + 8 + 6;
    const int checkX = table->columnViewportPosition(CandidateTableModel::selectedColumn) + 21;
    const auto rowMiddle = [&](int row) { return table->rowViewportPosition(row) + 22; };
    EXPECT_EQ(image.pixelColor(riskX, rowMiddle(0) - 6), badgeColors(RiskLevel::safe).background);
    EXPECT_EQ(image.pixelColor(riskX, rowMiddle(1) - 6), badgeColors(RiskLevel::caution).background);
    EXPECT_EQ(image.pixelColor(riskX, rowMiddle(2) - 6), badgeColors(RiskLevel::application).background);
    EXPECT_EQ(image.pixelColor(checkX - 5, rowMiddle(0) - 5), AppColor::emerald);      // ticked
    EXPECT_EQ(image.pixelColor(checkX - 3, rowMiddle(1) - 3), AppColor::white);        // not ticked
    EXPECT_EQ(image.pixelColor(300, table->rowViewportPosition(1)), AppColor::border); // row line
    EXPECT_EQ(image.pixelColor(300, rowMiddle(1) - 15), AppColor::white);              // no highlight
    EXPECT_EQ(table->rowHeight(0), 44);
    EXPECT_EQ(table->horizontalHeader()->sectionSize(CandidateTableModel::nameColumn), 330);
    EXPECT_FALSE(table->horizontalHeader()->sectionsMovable());
}

TEST_F(ScanRunTest, AtTheMinimumWidthTheReasonEndsInAnEllipsisAndNothingScrollsSideways)
{
    view->resize(WindowMetrics::minimumSize);
    scan({dir / "Downloads"});
    QTableView* table = ui.tableView();
    const QHeaderView* header = table->horizontalHeader();
    const int room = table->viewport()->width();
    EXPECT_EQ(header->length(), room);
    EXPECT_GE(header->sectionSize(CandidateTableModel::noteColumn), 240);
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
    EXPECT_LT(header->sectionSize(CandidateTableModel::nameColumn), 330); // the name column gave way
    // The reason's cell ends inside the list, its text cut before the 8 px
    // padding: "…" right before it, then white.
    const QImage image = table->viewport()->grab().toImage();
    const QRect note = table->visualRect(table->model()->index(0, CandidateTableModel::noteColumn));
    ASSERT_LE(note.right(), room - 1);
    const auto darkIn = [&](int from, int to) {
        for (int x = from; x <= to; ++x)
            for (int y = note.top() + 8; y < note.bottom() - 8; ++y)
                if (image.pixelColor(x, y).lightness() < 200)
                    return true;
        return false;
    };
    EXPECT_FALSE(darkIn(note.right() - 7, note.right()));
    // (The English reason is longer than the cell; the Chinese one may fit.)
    if (QFontMetrics(appFont(13, FontWeight::regular)).horizontalAdvance(I18n::text("reason.installer")) >
        note.width() - 16) {
        EXPECT_TRUE(darkIn(note.right() - 24, note.right() - 8));
    }

    // Wider again: the name column gets its width back.
    view->resize(WindowMetrics::initialSize);
    EXPECT_EQ(header->sectionSize(CandidateTableModel::nameColumn), 330);
    EXPECT_EQ(header->length(), table->viewport()->width());
}

TEST_F(ScanRunTest, TickingChangesOneCandidateAndTheSummaryWithoutAReload)
{
    scan({dir / "Downloads"});
    QSignalSpy resets(ui.tableModel(), &QAbstractItemModel::modelReset);
    QTableView* table = ui.tableView();
    const QRect box = table->visualRect(ui.tableModel()->index(1, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(ui.ticked(1));
    EXPECT_TRUE(ui.ticked(0));
    EXPECT_FALSE(ui.ticked(2));
    EXPECT_EQ(ui.selectedCautionBadge()->textLabel()->text(),
              formatText(I18n::text("summary.caution"), {std::int64_t(1)}));
    EXPECT_EQ(resets.count(), 0);

    // Space ticks the current row from any column.
    table->setFocus();
    table->setCurrentIndex(ui.tableModel()->index(2, CandidateTableModel::noteColumn));
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_TRUE(ui.ticked(2));
    EXPECT_EQ(ui.selectedAppBadge()->textLabel()->text(), formatText(I18n::text("summary.apps"), {std::int64_t(1)}));

    controller.selectSafeAction();
    EXPECT_TRUE(ui.ticked(0));
    EXPECT_FALSE(ui.ticked(1));
    EXPECT_FALSE(ui.ticked(2));
    controller.selectNoneAction();
    for (int row = 0; row < ui.rowCount(); ++row)
        EXPECT_FALSE(ui.ticked(row));
    EXPECT_EQ(ui.selectedCountLabel()->text(),
              formatText(I18n::text("summary.selectedCount"), {std::int64_t(0), std::int64_t(3)}));
    EXPECT_EQ(ui.tabAllLabel()->text(), formatText(I18n::text("tab.all"), {std::int64_t(3)}));
    EXPECT_EQ(resets.count(), 2);
}

TEST_F(ScanRunTest, AScanThatFindsNothingShowsTheNoItemsState)
{
    scan({dir / "Empty"});
    EXPECT_EQ(ui.rowCount(), 0);
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanAgain"));
    EXPECT_TRUE(ui.emptyState()->isVisibleTo(view));
    EXPECT_EQ(ui.emptyState()->titleLabel()->text(), I18n::text("empty.noItems.title"));
    EXPECT_EQ(ui.progressStatusLabel()->text(),
              formatText(I18n::text("progress.status.found"), {std::int64_t(0), formatBytes(0)}));
}

TEST_F(ScanRunTest, CancellingKeepsTheEarlierListButGivesUpItsAccess)
{
    scan({dir / "Downloads"});
    dialogs.folderAnswers.push_back({}); // cancel
    controller.scanAction();
    EXPECT_FALSE(ui.busy());
    EXPECT_EQ(ui.rowCount(), 3);
    EXPECT_TRUE(ui.tableView()->isVisibleTo(view));
    EXPECT_EQ(ui.scanButton()->text(), I18n::text("button.scanAgain"));
    EXPECT_TRUE(fileSystem.openAccesses().empty());
    EXPECT_EQ(fileSystem.accessStops(), 1);
}

TEST_F(ScanRunTest, WhileAScanRunsTheListIsEmptyAndAnotherPressDoesNothing)
{
    scan({dir / "Downloads"});
    fileSystem.setTreeSize(dir / "Downloads" / "Ubuntu.utm", 25 * MiB); // keep the scan's answers fixed
    dialogs.folderAnswers.push_back({dir / "Downloads"});
    controller.scanAction();
    ASSERT_TRUE(ui.busy());
    EXPECT_EQ(ui.rowCount(), 0);
    EXPECT_TRUE(ui.progressStrip()->isVisibleTo(view));
    controller.scanAction();
    EXPECT_EQ(dialogs.folderRequests.size(), 2u);
    waitForScan();
    EXPECT_EQ(ui.tableModel()->rowCount(), 3);
}

TEST_F(ScanRunTest, TheStripCountsWhatTheScanMeasuredAsItGoes)
{
    for (int i = 0; i < 300; ++i)
        writeFile(dir / "Big" / "Tree" / std::to_string(i % 10) / std::to_string(i), 4096);
    io.slowDown(IoCall::statAt, std::chrono::milliseconds(4)); // about 1.3 s in all
    dialogs.folderAnswers.push_back({dir / "Big"});
    controller.scanAction();
    const QString scanning = I18n::text("progress.status.scanning") + QStringLiteral(" · ");
    QStringList shown;
    const auto counted = [&](int files) {
        return scanning + measuredText(files, std::int64_t(files) * 4096, I18n::language());
    };
    // Several counts on the way, each one larger, while the scan is still going.
    for (int i = 0; i < 300 && ui.busy(); ++i) {
        const QString status = ui.progressStatusLabel()->text();
        if (status.startsWith(scanning) && (shown.isEmpty() || shown.back() != status))
            shown << status;
        QTest::qWait(10);
    }
    waitForScan();
    ASSERT_GE(shown.size(), 2) << shown.join(u'\n').toStdString();
    for (const QString& status : shown) {
        bool matched = false;
        for (int files = 1; files <= 300 && !matched; ++files)
            matched = status == counted(files);
        EXPECT_TRUE(matched) << status.toStdString();
    }
}

TEST_F(ScanRunTest, FiveFoldersAreNamedByTheFirstThree)
{
    for (const char* name : {"Desktop", "Downloads", "Documents", "Pictures", "Movies"})
        makeFolder(dir / name);
    dialogs.folderAnswers.push_back(
        {dir / "Desktop", dir / "Downloads", dir / "Documents", dir / "Pictures", dir / "Movies"});
    controller.scanAction();
    const QString expected =
        formatText(I18n::text("progress.path.scanning"),
                   {I18n::text("root.desktop") + QStringLiteral(", ") + I18n::text("root.downloads") +
                    QStringLiteral(", ") + I18n::text("root.documents") + QStringLiteral(" +2")});
    EXPECT_EQ(ui.progressPathLabel()->text(), expected);
    EXPECT_EQ(ui.progressStatusLabel()->text(), I18n::text("progress.status.scanning"));
    EXPECT_EQ(sourceDescription({}, fileSystem), QString());
    EXPECT_EQ(sourceDescription({dir / "Downloads"}, fileSystem), I18n::text("root.downloads"));
    waitForScan();
}

TEST(ScanRunShutdown, ClosingDuringAScanStopsTheWorkerAndLeavesNothingBehind)
{
    TempDir dir;
    for (int i = 0; i < 400; ++i)
        writeFile(dir / "Big" / "tree" / std::to_string(i % 20) / std::to_string(i), 1000);
    // Measuring the whole tree would take at least 2 s.
    FaultInjectingIo io;
    io.slowDown(IoCall::statAt, std::chrono::milliseconds(5));
    ScriptedFileSystem fileSystem(io);
    ScriptedDialogs dialogs;
    {
        MainWindowController controller(fileSystem, dialogs);
        controller.view()->resize(WindowMetrics::initialSize);
        const WindowProbe ui{controller.view()};
        dialogs.folderAnswers.push_back({dir / "Big"});
        controller.scanAction();
        EXPECT_TRUE(ui.busy());
        QTest::qWait(30);
    } // the controller asks its worker to stop and waits for it here
    // The worker stopped early and is done: no file-system call happens any
    // more, and its result, posted to a controller that is gone, is dropped.
    const int statsAtClose = io.calls(IoCall::statAt);
    EXPECT_LT(statsAtClose, 400);
    QTest::qWait(100);
    EXPECT_EQ(io.calls(IoCall::statAt), statsAtClose);
    EXPECT_TRUE(fileSystem.openAccesses().empty());
    EXPECT_EQ(fileSystem.accessStops(), fileSystem.accessStarts());
}
