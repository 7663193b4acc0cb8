// How far a transfer is, in words, and the speed, time left and bar behind them.

#include "transfer/progress_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::int64_t MB = 1'000'000;

// A run of 1 GB of items at `seconds`: `copied` bytes copied, `verified` read back.
ItemProgress at(double seconds, std::int64_t copied, std::int64_t verified = 0, bool verifying = false)
{
    ItemProgress progress;
    progress.index = 2;
    progress.total = 3;
    progress.name = QStringLiteral("Ubuntu.utm");
    progress.verifying = verifying;
    progress.runItemBytes = 1000 * MB;
    progress.copyBytesDone = copied;
    progress.copyBytesLeft = 1000 * MB - copied;
    progress.verifyBytesDone = verified;
    progress.verifyBytesLeft = 1000 * MB - verified;
    progress.runSeconds = seconds;
    return progress;
}

// The reports of a move of 1 GB to a stick that writes 10 MB/s and reads
// back 60 MB/s, every 50 ms: 100 s of copies, 3 s putting the last pieces
// on the drive, 17 s of read-back.
std::vector<ItemProgress> slowStickRun()
{
    std::vector<ItemProgress> run;
    double t = 0;
    for (std::int64_t copied = 0; copied <= 1000 * MB; copied += MB / 2, t += 0.05)
        run.push_back(at(t, copied));
    for (const double end = t + 3; t < end; t += 0.05) {
        run.push_back(at(t, 1000 * MB));
        run.back().flushing = true;
    }
    for (std::int64_t verified = 0; verified <= 1000 * MB; verified += 3 * MB, t += 0.05)
        run.push_back(at(t, 1000 * MB, verified, true));
    return run;
}

} // namespace

// The write and the read-back measured apart: the time left holds through
// the run, and the bar goes with the time.
TEST(TransferPace, TimeLeftAndBarFollowTheRunOnASlowStick)
{
    const std::vector<ItemProgress> run = slowStickRun();
    const double end = run.back().runSeconds;
    TransferPace pace;
    std::vector<double> checked;
    for (const ItemProgress& report : run) {
        pace.record(report);
        if (report.runSeconds < 3) {
            EXPECT_FALSE(pace.secondsLeft()); // too early to say
            continue;
        }
        EXPECT_NEAR(pace.runFraction(), report.runSeconds / end, 0.1) << report.runSeconds;
        // At a quarter, half and three quarters of the run, and in its read-back.
        const double left = end - report.runSeconds;
        for (const double point : {0.25, 0.5, 0.75, 0.9}) {
            if (std::abs(report.runSeconds - point * end) < 0.025) {
                ASSERT_TRUE(pace.secondsLeft());
                EXPECT_LE(std::abs(*pace.secondsLeft() - left), std::max(10.0, 0.25 * left)) << report.runSeconds;
                checked.push_back(point);
            }
        }
    }
    EXPECT_EQ(checked.size(), 4u);
    EXPECT_NEAR(pace.bytesPerSecond(), 60 * MB, 3 * MB); // the read-back's own speed

    // A second of a stalled drive moves the estimate, but does not make it jump.
    TransferPace stalled;
    for (std::size_t i = 0; i < 200; ++i)
        stalled.record(run[i]);
    const double before = stalled.bytesPerSecond();
    stalled.record(at(run[199].runSeconds + 1, run[199].copyBytesDone));
    EXPECT_GT(stalled.bytesPerSecond(), 0.7 * before);
    EXPECT_LT(stalled.bytesPerSecond(), 0.95 * before);
}

TEST(ProgressText, BytesOfThePhaseItsNameSpeedAndTimeLeftInBothLanguages)
{
    TransferPace pace;
    for (double t = 0; t <= 1; t += 0.05)
        pace.record(at(t, std::int64_t(t * 85 * MB)));
    // Copying: the run's copied bytes; no time left yet.
    EXPECT_EQ(runProgressText(at(1, 120 * MB), pace, I18n::Language::english),
              QStringLiteral("120 MB of 1 GB · copying · 85 MB/s"));
    for (double t = 1; t <= 4; t += 0.05)
        pace.record(at(t, std::int64_t(t * 85 * MB)));
    EXPECT_EQ(runProgressText(at(4, 340 * MB), pace, I18n::Language::chinese),
              QStringLiteral("340 MB / 1 GB · 正在复制 · 85 MB/s · 剩余不到 1 分钟"));
    // Paused: where it stands, nothing of a speed it no longer has.
    EXPECT_EQ(runProgressText(at(4, 340 * MB), pace, I18n::Language::english, true),
              QStringLiteral("340 MB of 1 GB · copying"));
    // Putting the copies on the drive, then reading them back.
    ItemProgress flushing = at(12, 1000 * MB);
    flushing.flushing = true;
    pace.record(flushing);
    EXPECT_TRUE(runProgressText(flushing, pace, I18n::Language::english)
                    .startsWith(QStringLiteral("1 GB of 1 GB · writing to the drive · ")));
    EXPECT_TRUE(runProgressText(at(13, 1000 * MB, 300 * MB, true), pace, I18n::Language::english)
                    .startsWith(QStringLiteral("300 MB of 1 GB · verifying")));
    // Before anything moved.
    EXPECT_EQ(runProgressText(at(0, 0), TransferPace(), I18n::Language::english),
              QStringLiteral("Zero KB of 1 GB · copying"));

    EXPECT_EQ(timeLeftText(61, I18n::Language::english), QStringLiteral("about 2 min left"));
    EXPECT_EQ(timeLeftText(3599, I18n::Language::english), QStringLiteral("about 1 h 0 min left"));
    EXPECT_EQ(timeLeftText(3601, I18n::Language::english), QStringLiteral("about 1 h 1 min left"));
    EXPECT_EQ(timeLeftText(7 * 3600, I18n::Language::chinese), QStringLiteral("剩余约 7 小时 0 分钟"));
}
