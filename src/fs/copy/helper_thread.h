#pragma once
// One helper thread that runs one job at a time for the copier or the
// verifier, started on first use and stopped with its owner; and the split
// of a folder's files between the calling thread and the helper. Where no
// thread can be made (a process or user at its limit), the caller does the
// job itself.

#include "fs/fs_error.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
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

// Folders with this many files share them with the helper thread.
inline constexpr std::size_t parallelFilesFrom = 16;

// Runs `each(index, buffer)` for every index below `count`: on this thread
// and, for counts worth sharing, on the helper thread too, each taking the
// next index not yet taken and using its own buffer. After a failure no
// thread takes another index; the first failure is what returns.
template <class Buffer, class Each>
FsResult<void> shareEach(HelperThread& helper, std::size_t count, Buffer& ownBuffer, Buffer& helperBuffer, Each each)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex firstMutex;
    FsResult<void> first;
    auto work = [&](Buffer& buffer) {
        for (std::size_t i; !failed.load() && (i = next.fetch_add(1)) < count;) {
            if (FsResult<void> done = each(i, buffer); !done) {
                std::lock_guard lock(firstMutex);
                if (first.ok())
                    first = std::move(done);
                failed = true;
                return;
            }
        }
    };
    if (count >= parallelFilesFrom && helper.start([&] { work(helperBuffer); })) {
        work(ownBuffer);
        helper.wait();
    } else {
        work(ownBuffer);
    }
    return first;
}
