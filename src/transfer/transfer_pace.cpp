#include "transfer/transfer_pace.h"

#include <algorithm>
#include <cmath>

namespace {

// Shorter samples are mostly noise of the page cache and of small files.
constexpr double sampleSeconds = 0.5;
// How long the speed remembers: long enough to ride out a slow file, short
// enough to follow a drive that slows down as it fills.
constexpr double memorySeconds = 5;
constexpr double secondsBeforeEstimate = 3;

} // namespace

void TransferPace::record(const ItemProgress& progress)
{
    const std::int64_t moved = progress.runBytesDone - progress.runBytesSkipped;
    seconds_ = progress.runSeconds;
    bytesLeft_ = std::max<std::int64_t>(0, progress.runBytesTotal - progress.runBytesDone);
    if (!started_) {
        started_ = true;
        sampleStart_ = seconds_;
        sampleBytes_ = moved;
        return;
    }
    const double elapsed = seconds_ - sampleStart_;
    if (elapsed < sampleSeconds)
        return;
    const double sampleRate = double(std::max<std::int64_t>(0, moved - sampleBytes_)) / elapsed;
    rate_ = measured_ ? rate_ + (sampleRate - rate_) * (1 - std::exp(-elapsed / memorySeconds)) : sampleRate;
    measured_ = true;
    sampleStart_ = seconds_;
    sampleBytes_ = moved;
}

std::optional<double> TransferPace::secondsLeft() const
{
    if (seconds_ < secondsBeforeEstimate || rate_ <= 0)
        return std::nullopt;
    return double(bytesLeft_) / rate_;
}
