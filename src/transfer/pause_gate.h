#pragma once
// Holds a transfer while the user has paused it: the GUI thread pauses and
// resumes, the worker waits at its next chunk or item. A stop request ends
// the wait, so a paused run can always be stopped. Thread-safe.

#include <condition_variable>
#include <mutex>
#include <stop_token>

class PauseGate {
public:
    void pause();
    void resume();
    bool paused() const;

    // Returns at once unless paused; else once resumed or `stop` is requested.
    void waitWhilePaused(const std::stop_token& stop) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable_any resumed_;
    bool paused_ = false;
};
