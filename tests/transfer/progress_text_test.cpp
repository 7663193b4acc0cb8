// How far a transfer is, in words, and the smoothed speed and time left behind them.

#include "transfer/progress_text.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t MB = 1'000'000;

// A run of 1 GB of items (2 GB of work with the read-back) reported at `seconds`.
ItemProgress at(double seconds, std::int64_t done, bool verifying = false, std::int64_t skipped = 0)
{
    ItemProgress progress;
    progress.index = 2;
    progress.total = 3;
    progress.name = QStringLiteral("Ubuntu.utm");
    progress.verifying = verifying;
    progress.runItemBytes = 1000 * MB;
    progress.runBytesTotal = 2000 * MB;
    progress.runBytesDone = done;
    progress.runBytesSkipped = skipped;
    progress.runSeconds = seconds;
    return progress;
}

// Reports every 50 ms at `rate` bytes a second from `from` for `seconds`.
double steady(TransferPace& pace, double from, double seconds, double rate, std::int64_t& done)
{
    double t = from;
    for (; t < from + seconds; t += 0.05) {
        done += std::int64_t(rate * 0.05);
        pace.record(at(t, done));
    }
    return t;
}

} // namespace

TEST(TransferPace, SpeedAndTimeLeftAreSmoothedAndWaitForAFewSeconds)
{
    TransferPace pace;
    std::int64_t done = 0;
    double t = steady(pace, 0, 2, 10 * MB, done);
    EXPECT_NEAR(pace.bytesPerSecond(), 10 * MB, 0.1 * MB);
    EXPECT_FALSE(pace.secondsLeft()); // too early to say
    t = steady(pace, t, 8, 10 * MB, done);
    ASSERT_TRUE(pace.secondsLeft());
    EXPECT_NEAR(*pace.secondsLeft(), double(2000 * MB - done) / (10 * MB), 1);

    // A second of a stalled drive moves the estimate, but does not make it jump.
    pace.record(at(t + 1, done));
    EXPECT_GT(pace.bytesPerSecond(), 7 * MB);
    EXPECT_LT(pace.bytesPerSecond(), 9.5 * MB);

    // Bytes of an item that failed are not speed.
    TransferPace skipping;
    skipping.record(at(0, 0));
    skipping.record(at(1, 510 * MB, false, 500 * MB));
    EXPECT_NEAR(skipping.bytesPerSecond(), 10 * MB, 1);
}

TEST(ProgressText, BytesOfThePhaseSpeedOrVerifyingAndTimeLeftInBothLanguages)
{
    TransferPace pace;
    std::int64_t done = 0;
    steady(pace, 0, 1, 85 * MB, done);
    // Copying: the run's copied bytes; no time left yet.
    EXPECT_EQ(runProgressText(at(1, 120 * MB), pace, I18n::Language::english),
              QStringLiteral("120 MB of 1 GB · 85 MB/s"));
    steady(pace, 1, 3, 85 * MB, done);
    EXPECT_EQ(runProgressText(at(4, 120 * MB), pace, I18n::Language::chinese),
              QStringLiteral("120 MB / 1 GB · 85 MB/s · 剩余不到 1 分钟"));
    // Reading back: the bytes read back, and no speed.
    EXPECT_EQ(runProgressText(at(4, 1300 * MB, true), pace, I18n::Language::english),
              QStringLiteral("300 MB of 1 GB · verifying · less than a minute left"));
    // Before anything moved.
    EXPECT_EQ(runProgressText(at(0, 0), TransferPace(), I18n::Language::english), QStringLiteral("Zero KB of 1 GB"));

    EXPECT_EQ(timeLeftText(61, I18n::Language::english), QStringLiteral("about 2 min left"));
    EXPECT_EQ(timeLeftText(3599, I18n::Language::english), QStringLiteral("about 1 h 0 min left"));
    EXPECT_EQ(timeLeftText(3601, I18n::Language::english), QStringLiteral("about 1 h 1 min left"));
    EXPECT_EQ(timeLeftText(7 * 3600, I18n::Language::chinese), QStringLiteral("剩余约 7 小时 0 分钟"));
}
