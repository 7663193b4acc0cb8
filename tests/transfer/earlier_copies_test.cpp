// Copies earlier runs left on the drive: each found by its item's own path
// and taken whatever the order, a name cut to fit found again, never the
// item itself nor a copy on another drive, never for an original changed
// since its scan; and a live run's unfinished copy is no other run's to remove.

#include "transfer/earlier_copies.h"

#include "fs/error_description.h"
#include "scan/candidate_scanner.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "transfer/copy_names.h"
#include "transfer/pause_gate.h"
#include "transfer/transfer_engine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

namespace {

class EarlierCopiesTest : public ::testing::Test {
protected:
    EarlierCopiesTest()
    {
        fileSystem.setHome(dir / "home");
        makeFolder(downloads);
        makeFolder(dir / "drive");
    }

    Candidate candidate(const std::string& name)
    {
        const fs::path path = downloads / name;
        const ItemMeasure measure = measureItem(path, fileSystem);
        return Candidate(path, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                         QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }

    // A whole copy of the item `name`, as a killed run leaves it: its bytes and time.
    static void copyAs(const fs::path& original, const fs::path& copy)
    {
        fs::copy_file(original, copy);
        fs::last_write_time(copy, fs::last_write_time(original));
    }

    TempDir dir;
    ScriptedFileSystem fileSystem;
    const fs::path downloads = dir / "home" / "Downloads";
    const fs::path earlierRun = dir / "drive" / "Loftwell" / "2026-01-01_00-00-00" / "Downloads";
};

} // namespace

TEST_F(EarlierCopiesTest, EachItemTakesItsOwnCopyAndNeverAnotherDrivesOrItself)
{
    const std::string longName = std::string(240, 'n') + ".iso";
    for (const std::string& name :
         std::vector<std::string>{"a.bin", "b.bin", longName, "changed.bin", "linked.bin", "same.bin"})
        writeFile(downloads / name, 256 * 1024, name[0]);
    makeFolder(earlierRun);
    const auto held = fileSystem.holdFolder(earlierRun);
    ASSERT_TRUE(held.ok());
    copyAs(downloads / "a.bin", earlierRun / "a.bin");
    copyAs(downloads / "changed.bin", earlierRun / "changed.bin");
    // Not yet checked when its run was killed, under the hidden name; the
    // long one's cut to fit.
    copyAs(downloads / "b.bin", earlierRun / uncheckedNameIn(held.value(), "b.bin", 255, fileSystem));
    const std::string cut = uncheckedNameIn(held.value(), longName, 255, fileSystem);
    ASSERT_LT(cut.size(), longName.size());
    copyAs(downloads / longName, earlierRun / cut);
    // The item itself, linked into the drive's folder (the drive is on its disk).
    fs::create_hard_link(downloads / "same.bin", earlierRun / "same.bin");
    // A location's folder that leads to another drive.
    const fs::path other = fs::path("/dev/shm") / ("loftwell-test-" + std::to_string(::getpid()));
    struct stat shm {};
    struct stat home {};
    const bool otherDevice =
        ::stat("/dev/shm", &shm) == 0 && ::stat(dir.path().c_str(), &home) == 0 && shm.st_dev != home.st_dev;
    if (otherDevice) {
        makeFolder(other / "Downloads");
        copyAs(downloads / "linked.bin", other / "Downloads" / "linked.bin");
        makeFolder(dir / "drive" / "Loftwell" / "2025-12-31_00-00-00");
        makeSymlink(other / "Downloads", dir / "drive" / "Loftwell" / "2025-12-31_00-00-00" / "Downloads");
    }
    const auto removeOther = [&] { fs::remove_all(other); };
    struct Cleanup {
        std::function<void()> done;
        ~Cleanup() { done(); }
    } cleanup{removeOther};

    // Listed in another order than the copies lie.
    std::vector<Candidate> items;
    for (const std::string& name :
         std::vector<std::string>{"same.bin", "linked.bin", "changed.bin", longName, "b.bin", "a.bin"})
        items.push_back(candidate(name));
    EarlierCopies found = findEarlierCopies(items, dir / "drive", fileSystem);
    for (const std::string& name : std::vector<std::string>{"a.bin", "b.bin", "changed.bin", longName}) {
        ASSERT_NE(found.of(downloads / name), nullptr) << name;
        EXPECT_EQ(found.of(downloads / name)->run, "2026-01-01_00-00-00");
    }
    EXPECT_EQ(found.of(downloads / "same.bin"), nullptr);
    EXPECT_EQ(found.of(downloads / "linked.bin"), nullptr);
    EXPECT_EQ(found.count(), 4);
    // One offered all the same, as a list made before a link appeared would.
    if (otherDevice)
        found.items.emplace(downloads / "linked.bin",
                            EarlierCopy{dir / "drive" / "Loftwell" / "2025-12-31_00-00-00" / "Downloads", "linked.bin",
                                        "2025-12-31_00-00-00"});
    // Touched after the scan: not what the user chose to move.
    fs::last_write_time(downloads / "changed.bin",
                        fs::last_write_time(downloads / "changed.bin") + std::chrono::hours(1));

    const TransferResult result =
        transfer(items, dir / "drive", true, {}, fileSystem, fixedStart, {}, {}, nullptr, nullptr, &found);
    ASSERT_EQ(result.states.size(), items.size());
    EXPECT_EQ(result.states[0], ItemState::moved); // same.bin: copied anew
    EXPECT_TRUE(result.earlierRuns[0].empty());
    EXPECT_EQ(result.states[1], otherDevice ? ItemState::notCopied : ItemState::moved); // linked.bin
    EXPECT_EQ(result.states[2], ItemState::notCopied);
    EXPECT_TRUE(fs::exists(downloads / "changed.bin"));
    EXPECT_TRUE(fs::exists(downloads / "linked.bin") || !otherDevice);
    for (std::size_t i = 3; i < items.size(); ++i) {
        EXPECT_EQ(result.states[i], ItemState::moved) << i;
        EXPECT_EQ(result.earlierRuns[i], "2026-01-01_00-00-00") << i;
    }
    EXPECT_EQ(readAll(earlierRun / longName), std::string(256 * 1024, 'n'));
    EXPECT_EQ(readAll(earlierRun / "b.bin"), std::string(256 * 1024, 'b'));
    bool changedSaid = false;
    for (const ItemFailure& failure : result.failedItems)
        changedSaid = changedSaid || (failure.item == 2 && failure.error.code == FsErrc::changedSinceScan);
    EXPECT_TRUE(changedSaid);
}

TEST_F(EarlierCopiesTest, ALiveRunsUnfinishedCopyIsNoOtherRunsToRemove)
{
    writeFile(downloads / "big.bin", 96 * 1024 * 1024, 'g');
    writeFile(downloads / "small.bin", 4096, 's');
    const std::vector<Candidate> first{candidate("big.bin")};
    const fs::path partial =
        dir / "drive" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads" / ".big.bin.loftwell-partial";
    PauseGate gate;
    // Paused as its copy starts: it waits at its first chunk, the copy begun.
    std::thread live([&] {
        transfer(
            first, dir / "drive", false, [&](std::int64_t, std::int64_t, const QString&) { gate.pause(); }, fileSystem,
            fixedStart, {}, {}, &gate);
    });
    // However the test ends, the first run goes on and ends before the test does.
    struct Ending {
        PauseGate& gate;
        std::thread& run;
        ~Ending()
        {
            gate.resume();
            if (run.joinable())
                run.join();
        }
    } ending{gate, live};
    for (int wait = 0; wait < 2000 && !fs::exists(partial); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(fs::exists(partial));

    // Another user's run on the same drive (its own lock folder), told of
    // the copy as if by a look made a moment before the first run claimed it.
    EarlierCopies stale;
    stale.unfinished.push_back({partial.parent_path().parent_path(), partial.parent_path(), partial.filename()});
    TempDir otherRuntime;
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    ::setenv("XDG_RUNTIME_DIR", otherRuntime.path().c_str(), 1);
    const TransferResult second = transfer({candidate("small.bin")}, dir / "drive", false, {}, fileSystem,
                                           fixedStart.addSecs(1), {}, {}, nullptr, nullptr, &stale);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(second.states, std::vector<ItemState>{ItemState::copied});
    EXPECT_TRUE(fs::exists(partial));
    gate.resume();
    live.join();
    EXPECT_EQ(readAll(partial.parent_path() / "big.bin").size(), std::size_t(96 * 1024 * 1024));
}
