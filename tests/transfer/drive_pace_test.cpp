// The drive's pace on a slow stick (4 MiB/s) served in user space, where the
// kernel's write-back cannot be steered: the progress follows what reached
// the drive, a pause holds the drive's writes, a stop ends the run at once,
// and the time left is the drive's. The disk's own counter of the bytes it
// was given is the judge.

#include "transfer/transfer_engine.h"

#include "support/stick_job.h"
#include "support/test_values.h"
#include "transfer/pause_gate.h"
#include "transfer/transfer_pace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A move with the Trash on its own thread, watched as it goes.
class WatchedMove {
public:
    WatchedMove(StickJob& job, const std::vector<Candidate>& items)
        : job_(job), base_(job.stick->disk().bytesWritten()), start_(Clock::now())
    {
        thread_ = std::thread([this, items] {
            const ItemProgressCallback progress = [this](const ItemProgress& item) { heard(item); };
            result_ = transfer(items, job_.stick->mountPoint(), true, {}, job_.fileSystem, fixedStart,
                               stop_.get_token(), progress, &pause_, nullptr);
            ended_ = since(start_);
            done_ = true;
        });
    }
    ~WatchedMove()
    {
        stop_.request_stop();
        if (thread_.joinable())
            thread_.join();
    }

    // Waits until `bytes` are copied, by the progress.
    bool waitForCopied(std::int64_t bytes, double seconds = 120)
    {
        const auto start = Clock::now();
        while (copied_ < bytes && !done_ && since(start) < seconds)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return copied_ >= bytes;
    }
    const TransferResult& finish()
    {
        thread_.join();
        return result_;
    }
    long long deviceWritten() const { return job_.stick->disk().bytesWritten() - base_; }

    PauseGate pause_;
    std::stop_source stop_;
    std::atomic<std::int64_t> copied_{0};
    std::atomic<long long> worstLead_{0}; // the progress's lead over the disk, once 16 MiB are copied
    std::atomic<bool> done_{false};
    double ended_ = 0; // seconds from the start to the run's end
    // (seconds since the start, seconds left as the window would say it)
    std::mutex mutex_;
    std::vector<std::pair<double, double>> timeLeft_;

private:
    void heard(const ItemProgress& item)
    {
        copied_ = item.copyBytesDone;
        if (item.copyBytesDone > 16 * MiB && !item.verifying && !item.flushing && !item.checkingDrive)
            worstLead_ = std::max<long long>(worstLead_, item.copyBytesDone - deviceWritten());
        pace_.record(item);
        if (const auto left = pace_.secondsLeft()) {
            const std::lock_guard lock(mutex_);
            timeLeft_.emplace_back(since(start_), *left);
        }
    }

    StickJob& job_;
    long long base_;
    Clock::time_point start_;
    TransferPace pace_;
    TransferResult result_;
    std::thread thread_;
};

class DrivePaceTest : public ::testing::TestWithParam<DriveKind> {};

} // namespace

TEST_P(DrivePaceTest, ProgressPauseAndStopFollowTheDrive)
{
    StickJob job(GetParam(), Way::own);
    if (!job.makeStick(160, 160))
        GTEST_SKIP() << job.why;
    const auto items = job.makeItems(2, 40 * MiB);
    job.stick->disk().setMode("slow 250"); // 4 MiB/s
    WatchedMove move(job, items);

    ASSERT_TRUE(move.waitForCopied(20 * MiB));
    // What is in flight finishes: at most 8 MiB, itself 2 s at this pace,
    // and the driver's own records of it.
    move.pause_.pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const long long held = move.deviceWritten();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(move.deviceWritten(), held) << "the drive still received writes 2.5 s into a pause";
    move.pause_.resume();

    ASSERT_TRUE(move.waitForCopied(52 * MiB));
    const auto asked = Clock::now();
    move.stop_.request_stop();
    const TransferResult& result = move.finish();
    EXPECT_LT(since(asked), 3.0) << "the run went on after Stop";
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.trashed, 0);
    EXPECT_LE(move.worstLead_, 16 * MiB) << "the progress ran ahead of the drive";
    for (const auto& [name, bytes] : job.contents)
        EXPECT_TRUE(readAll(job.dir / "src" / name) == bytes) << name;
}

// At a quarter, half and three quarters of a 200 MiB move with the Trash,
// the time left is the real one within a quarter (or 15 s).
TEST_P(DrivePaceTest, TheTimeLeftIsTheDrives)
{
    StickJob job(GetParam(), Way::own);
    if (!job.makeStick(256, 256))
        GTEST_SKIP() << job.why;
    const auto items = job.makeItems(4, 50 * MiB);
    // Reading four times as fast, as sticks do (and as the time left
    // assumes until it has measured the read-back).
    job.stick->disk().setMode("slow 250 62");
    WatchedMove move(job, items);
    const TransferResult& result = move.finish();
    ASSERT_TRUE(result.failures.isEmpty()) << result.failures.join(u'\n').toStdString();
    const std::lock_guard lock(move.mutex_);
    ASSERT_FALSE(move.timeLeft_.empty());
    const double total = move.ended_;
    for (const double share : {0.25, 0.5, 0.75}) {
        const auto at = std::ranges::find_if(move.timeLeft_, [&](const auto& s) { return s.first >= share * total; });
        ASSERT_NE(at, move.timeLeft_.end());
        const double real = total - at->first;
        EXPECT_NEAR(at->second, real, std::max(0.25 * real, 15.0)) << share << " of " << total << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(ExFatNtfs, DrivePaceTest, ::testing::Values(DriveKind::exfat, DriveKind::ntfs),
                         [](const auto& info) { return std::string(driveKindName(info.param)); });
