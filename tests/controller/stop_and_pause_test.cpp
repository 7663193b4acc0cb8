// Stop and Pause in the progress strip, and closing the window mid-transfer, through the real window on a slowed drive.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"

#include "fs/error_description.h"
#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/test_values.h"
#include "support/watchdog.h"
#include "ui/label.h"
#include "ui/styled_button.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class StopAndPauseTest : public WindowFixture {
protected:
    StopAndPauseTest() : WindowFixture("home")
    {
        writeFile(dir / "home" / "Downloads" / "Big.iso", 64 * MiB, 'b');
        writeFile(dir / "home" / "Downloads" / "Next.iso", 21 * MiB, 'n');
        makeFolder(dir / "drive");
        // Written 128 KiB at a time, slowly: about 0.3 s per item's first MiB.
        io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
        io.slowDown(IoCall::pwrite, std::chrono::milliseconds(2));
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        controller.scanAction();
        EXPECT_TRUE(waitUntilIdle());
        dialogs.folderAnswers.push_back({dir / "drive"});
        controller.refreshVolumesAction();
    }

    // The per-root folder of the run that wrote copies (a later one that
    // only took them holds its record alone); a path to nothing once the
    // run removed its empty folders.
    fs::path copies() const
    {
        const std::string root = I18n::text("root.downloads").toStdString();
        std::error_code error;
        for (fs::directory_iterator dated(dir / "drive" / "Loftwell", error), end; !error && dated != end; ++dated) {
            if (fs::exists(dated->path() / root))
                return dated->path() / root;
        }
        return dir / "drive" / "none" / root;
    }
    fs::path unfinished() const { return copies() / ".Big.iso.loftwell-partial"; }

    // Starts the transfer of both items and waits until the first is being written.
    void startTransfer(bool toTrash)
    {
        ui.moveToTrashCheckbox()->setChecked(toTrash);
        controller.selectSafeAction();
        dialogs.confirmAnswers.push_back(true);
        controller.transferAction();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                std::error_code error;
                return fs::exists(dir / "drive" / "Loftwell") &&
                       fs::file_size(unfinished(), error) > std::uintmax_t(2 * MiB) &&
                       ui.progressStatusLabel()->text().startsWith(QStringLiteral("1 / 2 · "));
            },
            20'000));
    }

    std::uintmax_t writtenSoFar() const
    {
        std::error_code error;
        const auto size = fs::file_size(unfinished(), error);
        return error ? 0 : size;
    }
};

} // namespace

TEST_F(StopAndPauseTest, PauseHoldsTheCopyResumeFinishesItAndStopEndsTheNext)
{
    EXPECT_TRUE(ui.stopButton()->isHidden());
    EXPECT_TRUE(ui.pauseButton()->isHidden());
    startTransfer(false);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ui.progressStatusLabel()->text().contains(QStringLiteral("/s")); }, 20'000));
    ASSERT_FALSE(ui.pauseButton()->isHidden());
    EXPECT_EQ(ui.pauseButton()->title(), I18n::text("button.pause"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ui.pauseButton())->text(QAccessible::Name),
              I18n::text("button.pause"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ui.stopButton())->text(QAccessible::Name),
              I18n::text("button.stop"));
    ui.pauseButton()->click();
    EXPECT_EQ(ui.pauseButton()->title(), I18n::text("button.resume"));
    QTest::qWait(200); // the chunk under way ends
    const auto held = writtenSoFar();
    const QString status = ui.progressStatusLabel()->text();
    EXPECT_TRUE(status.startsWith(formatText(I18n::text("progress.status.paused"), {QStringLiteral("1 / 2 · ")})))
        << status.toStdString();
    EXPECT_FALSE(status.contains(formatBytes(0))) << status.toStdString(); // where it stands, not its first report
    // Only where it stands: no speed or time left of a run that stands still.
    EXPECT_TRUE(status.endsWith(I18n::text("progress.status.copying"))) << status.toStdString();
    QTest::qWait(800);
    EXPECT_EQ(writtenSoFar(), held);
    EXPECT_EQ(ui.progressStatusLabel()->text(), status);
    EXPECT_TRUE(ui.busy());

    ui.pauseButton()->click();
    EXPECT_EQ(ui.pauseButton()->title(), I18n::text("button.pause"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.progressStatusLabel()->text().startsWith(QStringLiteral("2 / 2 · ")); },
                                60'000));
    ui.stopButton()->click();
    ASSERT_TRUE(waitUntilIdle());
    // The whole first copy stays, under the name of one not yet checked;
    // nothing of the second.
    const fs::path unchecked = copies() / ".Big.iso.loftwell-unchecked";
    EXPECT_EQ(readAll(unchecked), readAll(dir / "home" / "Downloads" / "Big.iso"));
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(copies()), {}), std::vector{unchecked});
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.partial"));
    const QStringList lines = dialogs.alerts[0].message.split(u'\n');
    EXPECT_TRUE(lines.back().contains(QStringLiteral("Next.iso")) &&
                lines.back().endsWith(errorDescription(systemError(ECANCELED))))
        << dialogs.alerts[0].message.toStdString();
    EXPECT_TRUE(ui.pauseButton()->isHidden());
}

TEST_F(StopAndPauseTest, EscapeStopsMidCopyAndTheReportSaysWhatStopped)
{
    startTransfer(true);
    QApplication::setActiveWindow(view);
    QTest::keyClick(view, Qt::Key_Escape);
    ASSERT_TRUE(waitUntilIdle(20'000));
    // Nothing half-done: no unfinished copy, both originals where they were.
    EXPECT_FALSE(fs::exists(unfinished()));
    EXPECT_FALSE(fs::exists(copies() / "Big.iso"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Big.iso"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Next.iso"));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.partial"));
    const QString stopped = errorDescription(systemError(ECANCELED));
    EXPECT_EQ(dialogs.alerts[0].message.count(stopped), 2) << dialogs.alerts[0].message.toStdString();
    // Nothing saved: no folder named, none left behind empty, and both items
    // still ticked for the next press of Transfer.
    EXPECT_TRUE(dialogs.alerts[0].message.startsWith(I18n::text("alert.nothingSaved")));
    EXPECT_TRUE(fs::is_empty(dir / "drive" / "Loftwell"));
    EXPECT_TRUE(ui.ticked(0) && ui.ticked(1));
}

TEST_F(StopAndPauseTest, AStopInTheReadBackReportsWholeCopiesAsNotCheckedAndKeepsTheirItemsTicked)
{
    io.slowDown(IoCall::read, std::chrono::milliseconds(20)); // the read-back, not the copy
    startTransfer(true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ui.progressStatusLabel()->text().contains(I18n::text("progress.status.verifying")); }, 60'000));
    ui.stopButton()->click();
    ASSERT_TRUE(waitUntilIdle());
    for (const char* name : {"Big.iso", "Next.iso"}) {
        EXPECT_EQ(readAll(copies() / (std::string(".") + name + ".loftwell-unchecked")),
                  readAll(dir / "home" / "Downloads" / name));
    }
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    const QString message = dialogs.alerts[0].message;
    EXPECT_TRUE(message.startsWith(I18n::text("alert.destination").section(u'%', 0, 0))) << message.toStdString();
    const QString heading = formatText(I18n::text("alert.unchecked"), {std::int64_t(2), QString()});
    EXPECT_TRUE(message.contains(heading.trimmed())) << message.toStdString();
    EXPECT_FALSE(message.contains(I18n::text("alert.notCopied").section(u'(', 0, 0).trimmed()));
    EXPECT_TRUE(ui.ticked(0) && ui.ticked(1));

    // Transfer again: the stopped run's whole copies are offered, used,
    // read back and checked, and the report says where they are.
    const fs::path earlierFolder = copies().parent_path();
    const QString earlierRun = QString::fromStdString(earlierFolder.filename().native());
    io.slowDown(IoCall::read, std::chrono::milliseconds(0));
    QTest::qWait(1100); // a dated folder of its own
    // Cancel (Escape) at the question about them ends it all, nothing asked or written.
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].firstTitle, I18n::text("alert.useThem"));
    EXPECT_EQ(dialogs.questions[0].secondTitle, I18n::text("alert.copyAgain"));
    EXPECT_EQ(dialogs.questions[0].message,
              formatText(I18n::text("alert.earlier.message"), {std::int64_t(2), earlierRun}));
    EXPECT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "drive" / "Loftwell"), fs::directory_iterator()), 1);

    dialogs.choiceAnswers.push_back(Dialogs::Choice::first); // "Use Them"
    dialogs.confirmAnswers.push_back(true);
    controller.transferAction();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(dialogs.confirmations.size(), 2u);
    // The confirmation says they will be checked, not copied again.
    EXPECT_TRUE(dialogs.confirmations[1].message.contains(
        formatText(I18n::text("alert.confirm.earlier"), {std::int64_t(2), std::int64_t(2), formatBytes(0)})))
        << dialogs.confirmations[1].message.toStdString();
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    const QString report = dialogs.alerts[1].message;
    const QString root = I18n::text("root.downloads");
    for (const char* name : {"Big.iso", "Next.iso"}) {
        EXPECT_TRUE(report.contains(formatText(I18n::text("report.earlierCopy"),
                                               {root + u'/' + QString::fromLatin1(name), displayText(earlierFolder)})))
            << report.toStdString();
        EXPECT_FALSE(fs::exists(dir / "home" / "Downloads" / name));
        EXPECT_EQ(readAll(copies() / name), readAll(dir / "home" / ".local/share/Trash/files" / name));
    }
    EXPECT_EQ(dialogs.alerts[1].title, I18n::text("alert.done"));
}

TEST_F(StopAndPauseTest, APausedRunCanBeStoppedAndClosingAsksFirst)
{
    const Watchdog watchdog(std::chrono::seconds(20), "the paused run did not end when stopped");
    startTransfer(false);
    ui.pauseButton()->click();
    // Keep going: the window stays, the run too.
    dialogs.confirmAnswers.push_back(false);
    EXPECT_FALSE(controller.mayClose());
    EXPECT_TRUE(ui.busy());
    // Stop and quit: the window does not wait for the run; it stays, says
    // it is stopping, asks nothing more, and closes itself once the run has
    // ended cleanly, with no report waiting for an answer.
    dialogs.confirmAnswers.push_back(true);
    EXPECT_FALSE(controller.mayClose());
    EXPECT_EQ(ui.progressStatusLabel()->text(), I18n::text("progress.stopping"));
    EXPECT_TRUE(ui.pauseButton()->isHidden());
    EXPECT_FALSE(controller.mayClose());
    EXPECT_EQ(dialogs.confirmations.size(), 3u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }, 10'000));
    EXPECT_FALSE(fs::exists(unfinished()));
    EXPECT_TRUE(fs::exists(dir / "home" / "Downloads" / "Big.iso"));
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(StopAndPauseTest, AStoppedScanLeavesTheListAsItWas)
{
    ASSERT_EQ(ui.rowCount(), 2);
    ui.setTicked(0, false);
    ui.setTicked(1, true);
    io.slowDown(IoCall::statAt, std::chrono::milliseconds(50));
    dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
    controller.scanAction();
    ASSERT_TRUE(ui.busy());
    EXPECT_FALSE(ui.stopButton()->isHidden());
    EXPECT_TRUE(ui.pauseButton()->isHidden()); // a scan has nothing to pause
    ui.stopButton()->click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(ui.rowCount(), 2);
    EXPECT_FALSE(ui.ticked(0));
    EXPECT_TRUE(ui.ticked(1));
    EXPECT_TRUE(dialogs.alerts.empty());
}
