#include "transfer/run_meter.h"

#include "transfer/pause_gate.h"

#include <algorithm>

RunMeter::RunMeter(const ItemProgressCallback& callback, std::int64_t itemBytes, int phases, const PauseGate* pause,
                   const std::stop_token& stop, Clock clock)
    : callback_(callback), pause_(pause), stop_(stop), clock_(std::move(clock)), start_(clock_())
{
    item_.runItemBytes = itemBytes;
    item_.runBytesTotal = itemBytes * phases;
    countPhasesLocked();
}

void RunMeter::startPhase(std::int64_t index, std::int64_t total, const QString& name, bool verifying,
                          std::int64_t length)
{
    std::lock_guard lock(mutex_);
    item_.index = index;
    item_.total = total;
    item_.name = name;
    item_.verifying = verifying;
    item_.checkingDrive = false;
    item_.flushing = false;
    item_.bytesDone = 0;
    item_.bytesTotal = length;
    phaseStart_ = item_.runBytesDone;
    sendLocked();
}

void RunMeter::endPhase()
{
    std::lock_guard lock(mutex_);
    item_.runBytesDone = phaseStart_ + item_.bytesTotal;
    // Of a phase that ended early (a failure), only what it did counts as
    // done; the rest is skipped, neither speed nor left.
    const std::int64_t done = std::min(item_.bytesDone, item_.bytesTotal);
    (item_.verifying ? verified_ : copied_) += done;
    (item_.verifying ? verifySkipped_ : copySkipped_) += item_.bytesTotal - done;
    item_.bytesDone = 0;
    item_.bytesTotal = 0;
    countPhasesLocked();
}

void RunMeter::skip(std::int64_t length, int phases)
{
    std::lock_guard lock(mutex_);
    item_.runBytesDone += length * phases;
    item_.runBytesSkipped += length * phases;
    verifySkipped_ += length;
    if (phases > 1)
        copySkipped_ += length;
    countPhasesLocked();
}

void RunMeter::flushing()
{
    betweenPhases(true, false);
}

void RunMeter::checkingDrive()
{
    betweenPhases(false, true);
}

void RunMeter::betweenPhases(bool flushing, bool checkingDrive)
{
    std::lock_guard lock(mutex_);
    item_.flushing = flushing;
    item_.checkingDrive = checkingDrive;
    item_.verifying = checkingDrive;
    item_.bytesDone = 0;
    item_.bytesTotal = 0;
    sendLocked();
}

ByteCounter RunMeter::counter()
{
    if (!callback_ && !pause_)
        return {};
    return [this](std::int64_t bytes) {
        add(bytes);
        waitWhilePaused();
    };
}

void RunMeter::waitWhilePaused()
{
    if (!pause_ || !pause_->paused())
        return;
    {
        std::lock_guard lock(mutex_);
        if (waiting_++ == 0)
            pauseStart_ = clock_();
        sendLocked(); // a paused run shows where it stands, not its last report
    }
    pause_->waitWhilePaused(stop_);
    std::lock_guard lock(mutex_);
    if (--waiting_ == 0)
        paused_ += clock_() - pauseStart_;
}

void RunMeter::add(std::int64_t bytes)
{
    std::lock_guard lock(mutex_);
    item_.bytesDone += bytes; // hidden files are copied too: may pass the scan's total
    item_.runBytesDone = phaseStart_ + std::min(item_.bytesDone, item_.bytesTotal);
    countPhasesLocked();
    if (clock_() - sent_ >= std::chrono::milliseconds(50))
        sendLocked();
}

void RunMeter::countPhasesLocked()
{
    const std::int64_t current = std::min(item_.bytesDone, item_.bytesTotal);
    item_.copyBytesDone = copied_ + (item_.verifying ? 0 : current);
    item_.verifyBytesDone = verified_ + (item_.verifying ? current : 0);
    item_.copyBytesLeft = std::max<std::int64_t>(0, item_.runItemBytes - copySkipped_ - item_.copyBytesDone);
    item_.verifyBytesLeft = std::max<std::int64_t>(0, item_.runItemBytes - verifySkipped_ - item_.verifyBytesDone);
}

void RunMeter::sendLocked()
{
    sent_ = clock_();
    item_.runSeconds = std::chrono::duration<double>(sent_ - start_ - paused_).count();
    if (callback_)
        callback_(item_);
}
