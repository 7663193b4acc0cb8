#include "transfer/pause_gate.h"

void PauseGate::pause()
{
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void PauseGate::resume()
{
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    resumed_.notify_all();
}

bool PauseGate::paused() const
{
    std::lock_guard lock(mutex_);
    return paused_;
}

void PauseGate::waitWhilePaused(const std::stop_token& stop) const
{
    std::unique_lock lock(mutex_);
    std::stop_token token = stop;
    resumed_.wait(lock, token, [this] { return !paused_; });
}
