// A transfer's progress, pauses and stops, under the real file-system
// layer: the bar moves on by bytes through both phases, a pause is not run
// time, and a stop leaves no unfinished copy behind, or says so.

#include "transfer/transfer_fault_fixture.h"

#include "fs/error_description.h"
#include "support/watchdog.h"
#include "transfer/pause_gate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ItemProgressTest : public TransferFaultTest {};

} // namespace

// With the Trash, every item is copied before any is read back, and the
// run's bar moves on by bytes through both phases.
TEST_F(ItemProgressTest, AllCopiedThenAllReadBackAtMostTwentyTimesASecond)
{
    writeFile(dir / "src" / "Big.iso", 48 * 1024 * 1024, 'b');
    io.slowDown(IoCall::pwrite, std::chrono::microseconds(500)); // a slow drive: 384 writes of 128 KiB
    io.slowDown(IoCall::read, std::chrono::milliseconds(10));
    std::vector<ItemProgress> reports;
    std::vector<std::chrono::steady_clock::time_point> times;
    const auto result = transfer({candidate(dir / "src" / "Big.iso"), candidate(movie())}, dir / "drive", true, {},
                                 fileSystem, fixedStart, {}, [&](const ItemProgress& item) {
                                     reports.push_back(item);
                                     times.push_back(std::chrono::steady_clock::now());
                                 });
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(result.trashed, 2);
    ASSERT_GE(reports.size(), 4u);
    // The phases in turn: (item, verifying) as each starts, with every copy
    // put on the drive (0, false) in between.
    std::vector<std::pair<std::int64_t, bool>> phases;
    for (const ItemProgress& report : reports) {
        if (report.flushing) {
            phases.emplace_back(0, false);
            EXPECT_EQ(report.copyBytesLeft, 0);
            EXPECT_EQ(report.verifyBytesDone, 0);
        } else if (report.bytesDone == 0) {
            phases.emplace_back(report.index, report.verifying);
        }
    }
    const std::vector<std::pair<std::int64_t, bool>> expected{{1, false}, {2, false}, {0, false}, {1, true}, {2, true}};
    EXPECT_EQ(phases, expected);
    double last = 0;
    int copying = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const ItemProgress& report = reports[i];
        EXPECT_EQ(report.total, 2);
        EXPECT_EQ(report.runBytesTotal, 2 * (48 * 1024 * 1024 + 3 * 1024 * 1024 + 17));
        EXPECT_GE(double(report.runBytesDone), last) << i; // never backwards
        EXPECT_EQ(report.copyBytesDone + report.copyBytesLeft, report.runItemBytes) << i;
        last = double(report.runBytesDone);
        copying += report.index == 1 && !report.verifying && report.bytesDone > 0;
        // Between two reports of one phase, 50 ms. The times here are taken
        // after each report arrives, so a thread preempted in between can
        // see a few milliseconds less; unthrottled reports come every write.
        if (i > 0 && report.bytesDone > 0 && report.verifying == reports[i - 1].verifying &&
            report.index == reports[i - 1].index) {
            EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(45)) << i;
        }
    }
    EXPECT_GE(copying, 2);
    EXPECT_GT(last, 0.5); // well into the read-back
}

// The run's time, which its speed is measured against, leaves pauses out;
// a paused run reports where it stands as it pauses.
TEST_F(ItemProgressTest, APauseIsNotRunTime)
{
    const Watchdog watchdog(std::chrono::seconds(15), "the paused transfer was never resumed");
    PauseGate pause;
    std::jthread resumer;
    io.beforeCall(IoCall::pwrite, 3, [&] {
        pause.pause();
        resumer = std::jthread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            pause.resume();
        });
    });
    std::vector<ItemProgress> reports;
    const auto started = std::chrono::steady_clock::now();
    const auto result = transfer(
        {candidate(movie())}, dir / "drive", false, {}, fileSystem, fixedStart, {},
        [&](const ItemProgress& item) { reports.push_back(item); }, &pause);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(result.failures.isEmpty());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().runItemBytes, 3 * 1024 * 1024 + 17);
    EXPECT_GE(wall, 0.6);
    EXPECT_LT(reports.back().runSeconds, wall - 0.5);
    const bool pausedMidCopy = std::any_of(reports.begin(), reports.end(), [](const ItemProgress& report) {
        return report.bytesDone > 0 && report.bytesDone < report.bytesTotal;
    });
    EXPECT_TRUE(pausedMidCopy);
}

// A copy takes its own name only when complete: a stopped one is removed, a
// failed one stays under its hidden temporary name, as evidence.
TEST_F(TransferFaultTest, AStoppedCopyLeavesNothingAndAFailedOneOnlyItsTemporaryName)
{
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(copied().parent_path()))
            names.push_back(entry.path().filename().native());
        return names;
    };
    std::stop_source stop;
    io.beforeCall(IoCall::pwrite, 2, [&] { stop.request_stop(); });
    const auto stopped =
        transfer({candidate(movie())}, dir / "drive", false, {}, fileSystem, fixedStart, stop.get_token());
    ASSERT_EQ(stopped.failures.size(), 1);
    EXPECT_EQ(stopped.states, std::vector{ItemState::notCopied});
    // Nor the run's own folders, left empty.
    EXPECT_FALSE(fs::exists(copied().parent_path().parent_path()));

    io.failCall(IoCall::pwrite, 2, ENOSPC);
    const auto failed = run(movie(), false);
    ASSERT_EQ(failed.failures.size(), 1);
    EXPECT_EQ(entries(), std::vector<std::string>{".Movie.mkv.loftwell-partial"});
    EXPECT_TRUE(failed.savedCopies); // the report names the folder that holds it
    EXPECT_EQ(readAll(movie()), original);
}

TEST_F(ItemProgressTest, AStopEndsTheCurrentItemAsStoppedAndStartsNoOther)
{
    writeFile(dir / "src" / "second.iso", 1000, 's');
    std::stop_source stop;
    io.beforeCall(IoCall::pwrite, 2, [&] { stop.request_stop(); });
    const auto result = transfer({candidate(movie()), candidate(dir / "src" / "second.iso")}, dir / "drive", true, {},
                                 fileSystem, fixedStart, stop.get_token());
    ASSERT_EQ(result.failedItems.size(), 2u);
    for (const ItemFailure& failure : result.failedItems)
        EXPECT_EQ(failure.error.code, std::errc::operation_canceled) << failure.item;
    EXPECT_EQ(readAll(movie()), original);
    EXPECT_TRUE(fs::exists(dir / "src" / "second.iso"));
    EXPECT_FALSE(fs::exists(copied().parent_path() / "second.iso"));
    EXPECT_TRUE(!fs::exists(trash() / "files") || fs::is_empty(trash() / "files"));
}

// A stopped copy that cannot be removed is not passed over in silence: the
// report says it is still on the drive, under its hidden name.
TEST_F(TransferFaultTest, AStoppedCopyThatCannotBeRemovedIsNamedInTheReport)
{
    std::stop_source stop;
    io.beforeCall(IoCall::pwrite, 2, [&] { stop.request_stop(); });
    io.failCall(IoCall::unlinkAt, 1, EIO, 1'000);
    const auto result =
        transfer({candidate(movie())}, dir / "drive", true, {}, fileSystem, fixedStart, stop.get_token());
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, FsErrc::unfinishedCopyLeft);
    EXPECT_TRUE(result.failures[0].contains(QStringLiteral(".Movie.mkv.loftwell-partial")))
        << result.failures[0].toStdString();
    EXPECT_TRUE(fs::exists(copied().parent_path() / ".Movie.mkv.loftwell-partial"));
    EXPECT_EQ(readAll(movie()), original);
}

// A stop just as the read-back starts fails the item: its original stays,
// and the copy keeps the name of one never checked.
TEST_F(TransferFaultTest, AStopAsTheReadBackStartsFailsTheItem)
{
    std::stop_source stop;
    const ItemProgressCallback progress = [&](const ItemProgress& report) {
        if (report.verifying)
            stop.request_stop();
    };
    const auto result =
        transfer({candidate(movie())}, dir / "drive", true, {}, fileSystem, fixedStart, stop.get_token(), progress);
    ASSERT_EQ(result.failedItems.size(), 1u);
    EXPECT_EQ(result.failedItems[0].error.code, std::errc::operation_canceled);
    EXPECT_EQ(result.trashed, 0);
    EXPECT_EQ(readAll(movie()), original);
    EXPECT_TRUE(readAll(copied().parent_path() / ".Movie.mkv.loftwell-unchecked") == original);
}

// A stop removes this run's unfinished copy, never a hidden one of the same
// name that an earlier run, or the user, left there.
TEST_F(TransferFaultTest, AStopRemovesOnlyItsOwnUnfinishedCopy)
{
    writeText(copied().parent_path() / ".Movie.mkv.loftwell-partial", "left by an earlier run");
    std::stop_source stop;
    io.beforeCall(IoCall::pwrite, 2, [&] { stop.request_stop(); });
    const auto result =
        transfer({candidate(movie())}, dir / "drive", false, {}, fileSystem, fixedStart, stop.get_token());
    ASSERT_EQ(result.failedItems.size(), 1u);
    std::vector<fs::path> left(fs::directory_iterator(copied().parent_path()), {});
    EXPECT_EQ(left, std::vector{copied().parent_path() / ".Movie.mkv.loftwell-partial"});
    EXPECT_EQ(readAll(left.front()), "left by an earlier run");
}
