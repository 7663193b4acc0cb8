#include "fs/copy/work_pool.h"

#include <system_error>
#include <utility>

WorkPool::WorkPool(std::size_t threads, std::size_t queueLength)
    : threads_(threads), queueLength_(queueLength == 0 ? 1 : queueLength)
{
}

WorkPool::~WorkPool()
{
    (void)finish();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool WorkPool::submit(Job job)
{
    {
        std::unique_lock lock(mutex_);
        // Threads start as the work comes: a few files need few.
        if (workers_.size() < threads_ && queue_.size() >= workers_.size()) {
            try {
                workers_.emplace_back([this, lane = workers_.size()] { loop(lane); });
            } catch (const std::system_error&) {
            }
        }
        if (!workers_.empty()) {
            changed_.wait(lock, [&] { return !first_.ok() || queue_.size() < queueLength_; });
            if (!first_.ok())
                return false;
            queue_.push_back(std::move(job));
            changed_.notify_all();
            return true;
        }
        if (!first_.ok())
            return false;
    }
    // No thread to be had: here, then.
    record(job(threads_));
    return !failed();
}

void WorkPool::fail(FsResult<void> failure)
{
    record(std::move(failure));
}

bool WorkPool::failed() const
{
    std::lock_guard lock(mutex_);
    return !first_.ok();
}

FsResult<void> WorkPool::finish()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && running_ == 0; });
    return std::exchange(first_, {});
}

void WorkPool::record(FsResult<void> result)
{
    if (result)
        return;
    std::lock_guard lock(mutex_);
    if (first_.ok())
        first_ = std::move(result);
    queue_.clear(); // dropped: a failed item is not copied or checked further
    changed_.notify_all();
}

void WorkPool::loop(std::size_t lane)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return; // stopping
        Job job = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        changed_.notify_all();
        lock.unlock();
        FsResult<void> result = job(lane);
        job = nullptr; // what it holds (open folders) goes now, not with the next job
        record(std::move(result));
        lock.lock();
        --running_;
        changed_.notify_all();
    }
}
