#include "transfer/run_meter.h"

#include "transfer/pause_gate.h"

#include <algorithm>

RunMeter::RunMeter(const ItemProgressCallback& callback, std::int64_t itemBytes, int phases, const PauseGate* pause,
                   const std::stop_token& stop, Clock clock)
    : callback_(callback), pause_(pause), stop_(stop), clock_(std::move(clock)), start_(clock_())
{
    item_.runItemBytes = itemBytes;
    item_.runBytesTotal = itemBytes * phases;
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
    item_.bytesDone = 0;
    item_.bytesTotal = length;
    phaseStart_ = item_.runBytesDone;
    sendLocked();
}

void RunMeter::endPhase()
{
    std::lock_guard lock(mutex_);
    item_.runBytesDone = phaseStart_ + item_.bytesTotal;
}

void RunMeter::skip(std::int64_t length)
{
    std::lock_guard lock(mutex_);
    item_.runBytesDone += length;
    item_.runBytesSkipped += length;
}

void RunMeter::checkingDrive()
{
    std::lock_guard lock(mutex_);
    item_.checkingDrive = true;
    item_.verifying = true;
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
    if (clock_() - sent_ >= std::chrono::milliseconds(50))
        sendLocked();
}

void RunMeter::sendLocked()
{
    sent_ = clock_();
    item_.runSeconds = std::chrono::duration<double>(sent_ - start_ - paused_).count();
    if (callback_)
        callback_(item_);
}
