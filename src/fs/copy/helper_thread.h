#pragma once
// One helper thread that runs one job at a time for a copying lane (hashing
// what the kernel copies), started on first use and stopped with its owner.
// Where no thread can be made (a process or user at its limit), the caller
// does the job itself.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

class HelperThread {
public:
    HelperThread() = default;
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    ~HelperThread()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // False, with nothing started, when no thread could be made.
    [[nodiscard]] bool start(std::function<void()> job)
    {
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { loop(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        changed_.notify_all();
        return true;
    }

    void wait()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !job_; });
    }

private:
    void loop()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || job_; });
            if (stopping_)
                return;
            lock.unlock();
            job_();
            lock.lock();
            job_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool stopping_ = false;
    std::thread thread_;
};
