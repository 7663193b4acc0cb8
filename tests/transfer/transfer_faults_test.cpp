// Faults of single system calls in the middle of a transfer, injected under
// the real file-system layer: whatever fails, the original stays where it
// was, byte for byte, and the report says why.

#include "transfer/transfer_engine.h"

#include "fs/error_description.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"
#include "transfer/pause_gate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/mount.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

class TransferFaultTest : public ::testing::Test {
protected:
    TransferFaultTest()
    {
        fileSystem.setHome(dir / "home");
        makeFolder(dir / "home");
        makeFolder(dir / "drive");
        // The usual case, another drive: the kernel's copy refuses (EXDEV),
        // so data goes through reads and writes that faults can reach.
        io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
        // Bigger than the copier's 128 KiB buffer, so it takes several writes,
        // and an odd length.
        writeFile(movie(), 3 * 1024 * 1024 + 17, 'm');
        original = readAll(movie());
    }

    fs::path movie() const { return dir / "src" / "Movie.mkv"; }
    fs::path copied() const { return dir / "drive" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads" / "Movie.mkv"; }
    fs::path trash() const { return dir / "home" / ".local" / "share" / "Trash"; }

    Candidate candidate(const fs::path& item)
    {
        const ItemMeasure measure = measureItem(item, fileSystem);
        return Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                         QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }

    TransferResult run(const fs::path& item, bool toTrash)
    {
        return transfer({candidate(item)}, dir / "drive", toTrash, {}, fileSystem, fixedStart);
    }

    // Three items transferred to a small drive mounted at dir/drive in a
    // private mount namespace, where `detach` may pull it as a desktop does
    // (a lazy unmount); the outcome as words.
    std::string runOnPulledDrive(bool toTrash, const std::function<void(const fs::path& drive)>& arrange)
    {
        writeFile(dir / "src" / "two.iso", 5000, '2');
        writeFile(dir / "src" / "three.iso", 5000, '3');
        return runWithPrivateMounts([&]() -> std::string {
            const fs::path drive = dir / "drive";
            if (::mount("tmpfs", drive.c_str(), "tmpfs", 0, "size=64m") != 0)
                return "skip";
            arrange(drive);
            const auto result =
                transfer({candidate(movie()), candidate(dir / "src" / "two.iso"), candidate(dir / "src" / "three.iso")},
                         drive, toTrash, pulledAt_, fileSystem, fixedStart);
            std::string out = std::to_string(result.failedItems.size()) + " failed:";
            for (const ItemFailure& failure : result.failedItems)
                out += failure.error.code == FsErrc::destinationGone ? " gone" : " " + failure.error.code.message();
            out += readAll(movie()) == original ? ", movie kept" : ", movie moved";
            out += fs::exists(dir / "src" / "two.iso") && fs::exists(dir / "src" / "three.iso") ? ", others kept"
                                                                                                : ", others moved";
            // Once pulled, the mount point is an empty folder of the internal disk.
            if (::umount2(drive.c_str(), MNT_DETACH) == 0)
                out += ", still mounted";
            out += fs::is_empty(drive) ? ", nothing under the mount point" : ", written under the mount point";
            return out;
        });
    }

    static void pull(const fs::path& drive) { ::umount2(drive.c_str(), MNT_DETACH); }

    TransferProgress pulledAt_;

    // The one failure is for this reason, and the original is untouched.
    void expectFailedAndKept(const TransferResult& result, std::error_code reason)
    {
        ASSERT_EQ(result.failedItems.size(), 1u);
        EXPECT_EQ(result.failedItems[0].error.code, reason) << result.failures[0].toStdString();
        EXPECT_EQ(readAll(movie()), original);
        EXPECT_TRUE(!fs::exists(trash() / "files") || fs::is_empty(trash() / "files"));
        EXPECT_TRUE(!fs::exists(trash() / "info") || fs::is_empty(trash() / "info"));
    }

    TempDir dir;
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem{io};
    std::string original;
};

struct CallFault {
    const char* name;
    IoCall call;
    int nth;
    int times;
    std::error_code reason; // what the failure line says
};

void PrintTo(const CallFault& fault, std::ostream* out)
{
    *out << fault.name;
}

class FailedCallTest : public TransferFaultTest, public ::testing::WithParamInterface<CallFault> {};

TEST_P(FailedCallTest, FailsTheItemAndKeepsTheOriginal)
{
    const CallFault fault = GetParam();
    const int before = io.calls(fault.call);
    io.failCall(fault.call, fault.nth, EIO, fault.times);
    const auto result = run(movie(), true);
    ASSERT_GE(io.calls(fault.call) - before, fault.nth) << "the fault was never reached";
    expectFailedAndKept(result, fault.reason);
}

// An input/output error says which side failed: reading the original, or
// writing to the drive, or reading the copy back from it.
INSTANTIATE_TEST_SUITE_P(
    EveryStep, FailedCallTest,
    ::testing::Values(CallFault{"sourceRead", IoCall::pread, 1, 1, make_error_code(FsErrc::originalUnreadable)},
                      // the copy
                      CallFault{"secondWrite", IoCall::pwrite, 2, 1, make_error_code(FsErrc::driveWriteFailed)},
                      // the copy's last word on the file
                      CallFault{"close", IoCall::close, 1, 1, make_error_code(FsErrc::driveWriteFailed)},
                      // flushing before the read-back
                      CallFault{"syncfs", IoCall::syncFileSystem, 1, 1, make_error_code(FsErrc::driveWriteFailed)},
                      CallFault{"fsync", IoCall::fsync, 1, 1, make_error_code(FsErrc::driveWriteFailed)},
                      // the read-back, direct and cached
                      CallFault{"readBack", IoCall::read, 1, 1000, make_error_code(FsErrc::readBackFailed)},
                      // after the destination's probe, the copy's own name, then
                      // the move into the Trash
                      CallFault{"copyRename", IoCall::renameAt, 2, 1, systemError(EIO)},
                      CallFault{"trashRename", IoCall::renameAt, 3, 1, systemError(EIO)}),
    [](const ::testing::TestParamInfo<CallFault>& info) { return std::string(info.param.name); });

// A film of three pieces, which the copy sends to the drive as it goes.
class WriteBehindFaultTest : public TransferFaultTest {
protected:
    WriteBehindFaultTest()
    {
        writeFile(movie(), 40 * 1024 * 1024 + 17, 'm');
        original = readAll(movie());
    }
};

TEST_F(WriteBehindFaultTest, AWriteErrorTheDriveReportsWhileCopyingFailsTheItem)
{
    // Calls: the first piece sent, the second sent, then the wait for the first.
    io.failCall(IoCall::syncFileRange, 3, EIO);
    expectFailedAndKept(run(movie(), true), FsErrc::driveWriteFailed);
}

TEST_F(WriteBehindFaultTest, ADriveThatCannotBeAskedToWriteEarlyIsCopiedAsBefore)
{
    io.failCall(IoCall::syncFileRange, 1, EINVAL, 1'000'000);
    const auto result = run(movie(), true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(io.calls(IoCall::syncFileRange), 1); // asked once, not once per piece
    EXPECT_EQ(readAll(copied()), original);
    EXPECT_EQ(readAll(trash() / "files" / "Movie.mkv"), original);
}

TEST_F(TransferFaultTest, AFailedTrashInfoWriteLeavesNoTraceInTheTrash)
{
    io.failCall(IoCall::write, 1, ENOSPC);
    const auto result = run(movie(), true);
    EXPECT_EQ(io.calls(IoCall::write), 1);
    expectFailedAndKept(result, FsErrc::trashUnavailable);
    EXPECT_EQ(readAll(copied()), original); // the verified copy stays
}

TEST_F(TransferFaultTest, ADriveThatCannotTellItsFreeSpaceStillTakesTheCopy)
{
    // No free space known is no check, not a drive without room; the writes tell.
    io.failCall(IoCall::statVolume, 1, EIO, 100);
    const auto result = run(movie(), true);
    EXPECT_GE(io.calls(IoCall::statVolume), 1);
    EXPECT_TRUE(result.failedItems.empty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(readAll(copied()), original);
}

TEST_F(TransferFaultTest, ShortWritesAreCompletedNotTakenAsDone)
{
    io.limitWrites(1000);
    const auto result = run(movie(), true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_GT(io.calls(IoCall::pwrite), (3 * 1024 * 1024) / 1000);
    EXPECT_EQ(readAll(copied()), original);
    EXPECT_EQ(readAll(trash() / "files" / "Movie.mkv"), original);
}

TEST_F(TransferFaultTest, InterruptedCallsAreRetried)
{
    writeFile(dir / "src" / "Album" / "one.jpg", 2 * 1024 * 1024, 'a');
    writeFile(dir / "src" / "Album" / "two.jpg", 5000, 'b');
    for (IoCall call : {IoCall::pread, IoCall::pwrite, IoCall::read, IoCall::readDirectory})
        io.failCall(call, 1, EINTR, 2);
    const auto result = run(dir / "src" / "Album", true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    const fs::path album = copied().parent_path() / "Album";
    EXPECT_EQ(readAll(album / "one.jpg"), std::string(2 * 1024 * 1024, 'a'));
    EXPECT_EQ(readAll(album / "two.jpg"), std::string(5000, 'b'));
    EXPECT_FALSE(fs::exists(dir / "src" / "Album"));

    // Without the Trash the kernel's copy_file_range does the work.
    io.failCall(IoCall::copyFileRange, 1, EINTR, 2);
    const auto copyOnly = run(movie(), false);
    EXPECT_TRUE(copyOnly.failures.isEmpty()) << copyOnly.failures.join(u'\n').toStdString();
    EXPECT_EQ(readAll(copied()), original);
}

TEST_F(TransferFaultTest, TheKernelsCopyGivingUpMidFileHandsOverWithoutHashingTwice)
{
    // The kernel copies the first 16 MiB chunk (hashed ahead of it), refuses
    // the second, interrupts once: reads and writes take over from there.
    const std::string big = std::string(40 * 1024 * 1024 + 5, 'x');
    writeFile(dir / "src" / "Big.iso", big.size(), 'x');
    io.clearFailures(IoCall::copyFileRange);
    io.failCall(IoCall::copyFileRange, 2, EINTR, 1);
    io.failCall(IoCall::copyFileRange, 3, EXDEV, 1'000'000);
    const auto result = run(dir / "src" / "Big.iso", true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(readAll(copied().parent_path() / "Big.iso"), big);
    EXPECT_FALSE(fs::exists(dir / "src" / "Big.iso"));
    EXPECT_GE(io.calls(IoCall::copyFileRange), 3);
}

TEST_F(TransferFaultTest, ABigFileIsHashedInOrderAsItIsCopied)
{
    // Bytes that differ with their place, so a piece hashed twice, skipped
    // or out of turn spoils the comparison. Three kernel chunks and a bit,
    // the next hashed while the kernel copies one; then the same through
    // reads and writes.
    const std::string big = patternedBytes(2 * 16 * 1024 * 1024 + 3 * 1024 * 1024 + 7);
    const fs::path file = dir / "src" / "Big.iso";
    for (const bool kernelCopies : {true, false}) {
        std::ofstream(file, std::ios::binary) << big;
        io.clearFailures(IoCall::copyFileRange);
        if (!kernelCopies)
            io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
        const auto result = run(file, true);
        EXPECT_TRUE(result.failures.isEmpty()) << kernelCopies << result.failures.join(u'\n').toStdString();
        EXPECT_FALSE(fs::exists(file)) << kernelCopies;
        EXPECT_TRUE(readAll(trash() / "files" / "Big.iso") == big) << kernelCopies;
        fs::remove_all(trash());
    }

    // A read failing on the hashing thread fails the item like any other.
    std::ofstream(file, std::ios::binary) << big;
    io.clearFailures(IoCall::copyFileRange);
    io.failCall(IoCall::pread, 20, EIO);
    const auto failed = run(file, true);
    ASSERT_EQ(failed.failedItems.size(), 1u);
    EXPECT_EQ(failed.failedItems[0].error.code, FsErrc::originalUnreadable) << failed.failures[0].toStdString();
    EXPECT_TRUE(readAll(file) == big);
}

TEST_F(TransferFaultTest, ASmallFileIsReadBackWithOneRead)
{
    // On FUSE every call is a round trip: a short read is the file's end.
    for (const char* name : {"one.jpg", "two.jpg", "three.jpg"})
        writeFile(dir / "src" / "Album" / name, 5000, 'a');
    const int reads = io.calls(IoCall::read);
    const auto result = run(dir / "src" / "Album", true);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(io.calls(IoCall::read) - reads, 3);
    EXPECT_TRUE(fs::exists(trash() / "files" / "Album" / "three.jpg"));
}

TEST_F(TransferFaultTest, ADrivePulledBetweenItemsFailsEveryLaterItem)
{
    const std::string answer = runOnPulledDrive(true, [&](const fs::path& drive) {
        pulledAt_ = [drive](std::int64_t index, std::int64_t, const QString&) {
            if (index == 2)
                pull(drive);
        };
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    // Nothing goes to the Trash before every item is copied.
    EXPECT_EQ(answer, "3 failed: gone gone gone, movie kept, others kept, nothing under the mount point");
}

TEST_F(TransferFaultTest, ADrivePulledDuringACopyTrashesNothing)
{
    for (bool toTrash : {true, false}) {
        const std::string answer = runOnPulledDrive(toTrash, [&](const fs::path& drive) {
            io.beforeCall(IoCall::pwrite, 2, [drive] { pull(drive); });
            io.beforeCall(IoCall::copyFileRange, 1, [drive] { pull(drive); });
        });
        if (answer == "skip")
            GTEST_SKIP() << "needs root for a private mount";
        EXPECT_EQ(answer, "3 failed: gone gone gone, movie kept, others kept, nothing under the mount point")
            << toTrash;
    }
}

TEST_F(TransferFaultTest, ASourceChangedDuringTheReadBackStays)
{
    // Appended to while its copy is read back: the copy is stale.
    io.beforeCall(IoCall::read, 1, [&] { std::ofstream(movie(), std::ios::app) << std::string(1024 * 1024, 'n'); });
    const auto appended = run(movie(), true);
    ASSERT_EQ(appended.failedItems.size(), 1u);
    EXPECT_EQ(appended.failedItems[0].error.code, FsErrc::sourceChanged);
    EXPECT_EQ(fs::file_size(movie()), original.size() + 1024 * 1024);

    // A file made inside a folder after its verification has no copy.
    writeFile(dir / "src" / "Album" / "one.jpg", 5000, 'a');
    io.beforeCall(IoCall::write, 1, [&] { writeFile(dir / "src" / "Album" / "late.jpg", 10, 'l'); });
    const auto added = run(dir / "src" / "Album", true);
    ASSERT_EQ(added.failedItems.size(), 1u);
    EXPECT_EQ(added.failedItems[0].error.code, FsErrc::sourceChanged);
    EXPECT_EQ(added.failedItems[0].error.relativePath, "late.jpg");
    EXPECT_TRUE(fs::exists(dir / "src" / "Album" / "late.jpg"));
    EXPECT_TRUE(fs::exists(dir / "src" / "Album" / "one.jpg"));
    EXPECT_TRUE(!fs::exists(trash() / "info") || fs::is_empty(trash() / "info"));
}

TEST_F(TransferFaultTest, ADirectReadThatFailsIsNotTriedAgainThroughTheCache)
{
    // Refused (EINVAL: alignment, or no direct reads here): read through the
    // cache instead. The drive's own error fails the item at once.
    io.failCall(IoCall::read, 1, EINVAL, 1);
    const auto refused = run(movie(), true);
    EXPECT_TRUE(refused.failures.isEmpty()) << refused.failures.join(u'\n').toStdString();
    fs::rename(trash() / "files" / "Movie.mkv", movie());
    fs::remove_all(trash());
    fs::remove_all(dir / "drive" / "Loftwell");

    io.failCall(IoCall::read, 1, EIO, 1);
    expectFailedAndKept(run(movie(), true), FsErrc::readBackFailed);
}

TEST_F(TransferFaultTest, AByteFlippedOnTheReadBackKeepsTheOriginal)
{
    io.flipByteOnRead(1);
    const auto result = run(movie(), true);
    expectFailedAndKept(result, FsErrc::contentsDiffer);
    // The drive holds the right bytes; the read-back said otherwise. The
    // copy keeps the name that says it was not found right.
    EXPECT_EQ(readAll(copied().parent_path() / ".Movie.mkv.loftwell-unchecked"), original);
    EXPECT_FALSE(fs::exists(copied()));
}

TEST_F(TransferFaultTest, ABigFileIsComparedPieceByPieceAsItIsReadBack)
{
    // Three 4 MiB pieces and a bit, hashed while the next is read: a byte
    // flipped in any piece is found, and a clean read-back passes.
    writeFile(dir / "src" / "Big.iso", 3 * 4 * 1024 * 1024 + 99, 'b');
    const std::string big = readAll(dir / "src" / "Big.iso");
    for (const int piece : {2, 4}) {
        io.flipByteOnRead(piece);
        const auto result = run(dir / "src" / "Big.iso", true);
        ASSERT_EQ(result.failedItems.size(), 1u) << piece;
        EXPECT_EQ(result.failedItems[0].error.code, FsErrc::contentsDiffer) << piece;
        EXPECT_EQ(readAll(dir / "src" / "Big.iso"), big);
    }
    io.flipByteOnRead(1'000'000); // never
    const auto clean = run(dir / "src" / "Big.iso", true);
    EXPECT_TRUE(clean.failures.isEmpty()) << clean.failures.join(u'\n').toStdString();
    EXPECT_FALSE(fs::exists(dir / "src" / "Big.iso"));
}

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
    // The phases in turn: (item, verifying) as each starts.
    std::vector<std::pair<std::int64_t, bool>> phases;
    for (const ItemProgress& report : reports) {
        if (report.bytesDone == 0)
            phases.emplace_back(report.index, report.verifying);
    }
    const std::vector<std::pair<std::int64_t, bool>> expected{{1, false}, {2, false}, {1, true}, {2, true}};
    EXPECT_EQ(phases, expected);
    double last = 0;
    int copying = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const ItemProgress& report = reports[i];
        EXPECT_EQ(report.total, 2);
        EXPECT_EQ(report.runBytesTotal, 2 * (48 * 1024 * 1024 + 3 * 1024 * 1024 + 17));
        EXPECT_GE(report.runFraction(), last) << i; // never backwards
        last = report.runFraction();
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
    EXPECT_TRUE(entries().empty());

    io.failCall(IoCall::pwrite, 2, ENOSPC);
    const auto failed = run(movie(), false);
    ASSERT_EQ(failed.failures.size(), 1);
    EXPECT_EQ(entries(), std::vector<std::string>{".Movie.mkv.loftwell-partial"});
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
