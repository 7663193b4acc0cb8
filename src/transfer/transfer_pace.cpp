#include "transfer/transfer_pace.h"

#include <algorithm>
#include <cmath>

namespace {

// Shorter samples are mostly noise of the page cache and of small files.
constexpr double sampleSeconds = 0.5;
// How long the speed remembers: long enough to ride out a slow file, short
// enough to follow a drive that slows down as it fills.
constexpr double memorySeconds = 15;
constexpr double secondsBeforeEstimate = 3;
// How much faster a drive reads back than it writes, until its read-back
// is measured: USB sticks read several times faster than they write, disks
// about as fast. The write speed stays the bound: never slower than that.
constexpr double assumedReadOverWrite = 4;

bool readingBack(const ItemProgress& progress)
{
    return progress.verifying && !progress.checkingDrive && !progress.flushing;
}

} // namespace

void TransferPace::Rate::record(double seconds, std::int64_t bytes, bool running)
{
    // Time spent in another phase is no time of this one: a sample starts
    // afresh when the phase comes (back).
    if (!running) {
        started = false;
        return;
    }
    if (!started) {
        started = true;
        sampleStart = seconds;
        sampleBytes = bytes;
        return;
    }
    const double elapsed = seconds - sampleStart;
    if (elapsed < sampleSeconds)
        return;
    const double sampleRate = double(std::max<std::int64_t>(0, bytes - sampleBytes)) / elapsed;
    value = measured ? value + (sampleRate - value) * (1 - std::exp(-elapsed / memorySeconds)) : sampleRate;
    measured = true;
    sampleStart = seconds;
    sampleBytes = bytes;
}

void TransferPace::record(const ItemProgress& progress)
{
    const bool reading = readingBack(progress);
    // Putting the copies on the drive is writing too, without new bytes.
    write_.record(progress.runSeconds, progress.copyBytesDone, !reading && !progress.checkingDrive);
    read_.record(progress.runSeconds, progress.verifyBytesDone, reading);
    last_ = progress;
}

double TransferPace::readRate() const
{
    return read_.measured && read_.value > 0 ? read_.value : write_.value * assumedReadOverWrite;
}

double TransferPace::bytesPerSecond() const
{
    return readingBack(last_) ? (read_.measured ? read_.value : 0) : write_.value;
}

std::optional<double> TransferPace::secondsLeft() const
{
    if (last_.runSeconds < secondsBeforeEstimate || write_.value <= 0)
        return std::nullopt;
    return double(last_.copyBytesLeft) / write_.value + double(last_.verifyBytesLeft) / readRate();
}

double TransferPace::runFraction() const
{
    // Until the speeds are known, a byte takes as long in either phase.
    const double writeWeight = write_.value > 0 ? 1 / write_.value : 1;
    const double readWeight = readRate() > 0 ? 1 / readRate() : writeWeight;
    const double done = double(last_.copyBytesDone) * writeWeight + double(last_.verifyBytesDone) * readWeight;
    const double left = double(last_.copyBytesLeft) * writeWeight + double(last_.verifyBytesLeft) * readWeight;
    return done + left > 0 ? std::clamp(done / (done + left), 0.0, 1.0) : 0.0;
}
