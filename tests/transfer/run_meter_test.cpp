// The run's meter on a clock the test drives: a pause that two copying
// threads wait through is left out of the run's time once, not twice.

#include "transfer/run_meter.h"

#include "transfer/pause_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

TEST(RunMeter, APauseTwoThreadsWaitThroughCountsOnce)
{
    std::atomic<std::int64_t> now{0}; // milliseconds
    const auto clock = [&] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(now.load())); };
    std::mutex mutex;
    std::vector<double> seconds;
    const ItemProgressCallback callback = [&](const ItemProgress& item) {
        std::lock_guard lock(mutex);
        seconds.push_back(item.runSeconds);
    };
    const auto reports = [&] {
        std::lock_guard lock(mutex);
        return seconds.size();
    };
    PauseGate gate;
    const std::stop_token stop;
    RunMeter meter(callback, 100, 2, &gate, stop, clock);
    meter.startPhase(1, 1, QStringLiteral("Album"), false, 100);
    const ByteCounter counter = meter.counter();

    gate.pause();
    now = 2000;
    std::thread first([&] { counter(10); });
    std::thread second([&] { counter(10); });
    // Each says where the run stands as it starts waiting.
    ASSERT_TRUE([&] {
        for (int i = 0; i < 500 && reports() < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return reports() >= 3;
    }());
    now = 3000;
    gate.resume();
    first.join();
    second.join();
    now = 4000;
    meter.startPhase(1, 1, QStringLiteral("Album"), true, 100);
    std::lock_guard lock(mutex);
    EXPECT_DOUBLE_EQ(seconds.back(), 3.0); // 4 s, less the one paused
}

// A copy that failed a third of the way is a third done: the rest is
// neither speed nor left, and the read-back it never gets is skipped too.
TEST(RunMeter, AFailedPhaseCountsOnlyWhatItDid)
{
    std::vector<ItemProgress> reports;
    const ItemProgressCallback callback = [&](const ItemProgress& item) { reports.push_back(item); };
    const std::stop_token stop;
    RunMeter meter(callback, 300, 2, nullptr, stop);
    meter.startPhase(1, 2, QStringLiteral("Big.iso"), false, 150);
    meter.counter()(50);
    meter.endPhase();
    meter.skip(150); // its read-back
    meter.startPhase(2, 2, QStringLiteral("Next.iso"), false, 150);
    const ItemProgress& second = reports.back();
    EXPECT_EQ(second.copyBytesDone, 50);
    EXPECT_EQ(second.copyBytesLeft, 150);
    EXPECT_EQ(second.verifyBytesLeft, 150);
}
