// Faults of single system calls in the middle of a transfer, injected under
// the real file-system layer: whatever fails, the original stays where it
// was, byte for byte, and the report says why.

#include "transfer/transfer_fault_fixture.h"

#include "fs/error_description.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/drive_image.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"
#include "transfer/pause_gate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/mount.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct CallFault {
    const char* name;
    IoCall call;
    int nth;
    int times;
    std::error_code reason;                 // what the failure line says
    ItemState state = ItemState::notCopied; // where the item stands then
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
    ASSERT_EQ(result.states.size(), 1u);
    EXPECT_EQ(int(result.states[0]), int(fault.state));
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
                      // after the destination's probe: the name of a whole copy
                      // not yet checked, the copy's own name (read back whole, it
                      // keeps the name of one not checked), the move into the Trash
                      CallFault{"uncheckedRename", IoCall::renameAt, 2, 1, systemError(EIO)},
                      CallFault{"copyRename", IoCall::renameAt, 3, 1, systemError(EIO), ItemState::copiedNotChecked},
                      CallFault{"trashRename", IoCall::renameAt, 4, 1, systemError(EIO), ItemState::copied}),
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
    expectFailedAndKept(result, FsErrc::trashFull); // the reason, in words the user can act on
    EXPECT_EQ(readAll(copied()), original);         // the verified copy stays
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
    EXPECT_EQ(io.calls(IoCall::read) - reads, 3 + 1); // and the run's record
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
    EXPECT_TRUE(readAll(copied().parent_path() / ".Movie.mkv.loftwell-unchecked") == original);
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

} // namespace

// Something that takes the copy's name just before the copy gets it is
// never replaced: the checked copy takes the next free name.
TEST_F(TransferFaultTest, AFileThatTakesTheCopysNameMeanwhileIsNotReplaced)
{
    bool armed = false;
    const ItemProgressCallback progress = [&](const ItemProgress& report) {
        if (report.flushing && !std::exchange(armed, true))
            io.beforeCall(IoCall::renameAt, 1, [&] { writeText(copied(), "the user's own"); });
    };
    const auto result = transfer({candidate(movie())}, dir / "drive", false, {}, fileSystem, fixedStart, {}, progress);
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    EXPECT_EQ(readAll(copied()), "the user's own");
    EXPECT_TRUE(readAll(copied().parent_path() / "Movie 2.mkv") == original);
}

namespace {

// Where `entry` first comes in `trace`, or its end.
std::ptrdiff_t placeOf(const std::vector<std::string>& trace, const std::string& entry)
{
    return std::find(trace.begin(), trace.end(), entry) - trace.begin();
}

} // namespace

// The order the README promises, in the system calls themselves: every copy
// of the run is on the drive before any gets its name, and each name is on
// the drive before its original goes.
TEST_F(TransferFaultTest, EveryCopyIsOnTheDriveBeforeAnyIsNamedAndEachNameBeforeItsOriginalGoes)
{
    writeFile(dir / "src" / "Second.iso", 5000, 's');
    io.traceFlushesAndRenames();
    const auto result = transfer({candidate(movie()), candidate(dir / "src" / "Second.iso")}, dir / "drive", true, {},
                                 fileSystem, fixedStart);
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    const std::vector<std::string> trace = io.trace();
    const auto copied = placeOf(trace, "rename .Second.iso.loftwell-partial .Second.iso.loftwell-unchecked");
    const auto named = [&](const std::string& name) {
        return placeOf(trace, "rename ." + name + ".loftwell-unchecked " + name);
    };
    const auto firstNamed = std::min(named("Movie.mkv"), named("Second.iso"));
    ASSERT_LT(copied, firstNamed);
    EXPECT_EQ(std::count(trace.begin() + copied, trace.begin() + firstNamed, "syncfs Downloads"), 2);
    for (const std::string name : {"Movie.mkv", "Second.iso"}) {
        const auto trashed = placeOf(trace, "rename " + (dir / "src" / name).native() + " " + name);
        ASSERT_LT(trashed, std::ptrdiff_t(trace.size())) << name;
        ASSERT_LT(named(name), trashed) << name;
        EXPECT_NE(std::find(trace.begin() + named(name), trace.begin() + trashed, "syncfs Downloads"),
                  trace.begin() + trashed)
            << name << ": the original went before its copy's name was on the drive";
    }
}

// On a FUSE drive no flush covers the whole drive (fusefat): every file of
// every copy is still flushed before the first original goes.
TEST(TransferOrder, OnFuseFatEveryCopyIsFlushedBeforeAnyOriginalGoes)
{
    TempDir dir;
    DriveImage drive(DriveKind::fat32, dir.path());
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem{io};
    fileSystem.setHome(dir / "home");
    // As if a read-back reached this drive, so that originals go.
    fileSystem.setDriveAccess(DriveAccess{});
    for (int i = 0; i < 3; ++i)
        writeFile(dir / "src" / "Album" / ("photo" + std::to_string(i) + ".jpg"), 3000 + i);
    writeFile(dir / "src" / "Movie.mkv", 7000);
    std::vector<Candidate> items;
    for (const char* name : {"Album", "Movie.mkv"}) {
        const ItemMeasure measure = measureItem(dir / "src" / name, fileSystem);
        items.push_back(Candidate(dir / "src" / name, QStringLiteral("Downloads"), QStringLiteral("Video"),
                                  RiskLevel::safe, QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint));
    }
    io.traceFlushesAndRenames();
    const auto result = transfer(items, drive.mountPoint(), true, {}, fileSystem, fixedStart);
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    const std::vector<std::string> trace = io.trace();
    const auto trashed = [&](const std::string& name) {
        return placeOf(trace, "rename " + (dir / "src" / name).native() + " " + name);
    };
    const auto firstTrashed = std::min(trashed("Album"), trashed("Movie.mkv"));
    ASSERT_LT(firstTrashed, std::ptrdiff_t(trace.size())) << ::testing::PrintToString(trace);
    EXPECT_LT(placeOf(trace, "fsync .Movie.mkv.loftwell-unchecked"), firstTrashed);
    EXPECT_LT(placeOf(trace, "fsync photo2.jpg"), firstTrashed);
}
