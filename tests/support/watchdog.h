#pragma once
// Ends the test program with a message when a test is still running after
// `limit`: a fault that shows only as a hang (a worker never woken) then
// fails within seconds, with its reason, instead of at ctest's time limit.
// Every test runs as a process of its own under ctest.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, std::string hang)
        : thread_([this, limit, hang = std::move(hang)](std::stop_token stop) {
              std::unique_lock lock(mutex_);
              changed_.wait_for(lock, stop, limit, [] { return false; });
              if (stop.stop_requested())
                  return;
              std::fprintf(stderr, "Failure: still running after %lld ms: %s\n", static_cast<long long>(limit.count()),
                           hang.c_str());
              std::fflush(stderr);
              std::_Exit(1);
          })
    {
    }

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::jthread thread_; // last: stopped and joined first
};
