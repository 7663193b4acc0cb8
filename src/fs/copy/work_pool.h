#pragma once
// A few threads that copy or read back the files of an item while the
// thread that walks it goes on to the next folder: a small file costs a
// round trip to its drive (a cold read of the original, a create through a
// driver in user space, a read of the copy), and only many of them in
// flight keep a drive busy. 30,000 small copies read back from an ext4
// drive took 4.3 s one at a time and 0.7 s sixteen at a time; written to
// exfat-fuse, 15.8 s one at a time and 7.0 s four at a time.
//
// Jobs wait in a queue of bounded length, so the walk stays only a little
// ahead (and holds few folders open for them). After a failure no job is
// started any more; the first failure is what `finish` returns. Where no
// thread can be made, jobs run on the calling thread.

#include "fs/fs_error.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

class WorkPool {
public:
    // A job is told its lane: 0 to `threads - 1` on the pool's threads,
    // `threads` on the calling thread; each lane runs one job at a time.
    using Job = std::function<FsResult<void>(std::size_t lane)>;

    WorkPool(std::size_t threads, std::size_t queueLength);
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;
    // Waits for the jobs still queued or running.
    ~WorkPool();

    std::size_t lanes() const { return threads_ + 1; }

    // Queues `job`, waiting while the queue is full; false, with the job
    // dropped, once a job has failed.
    bool submit(Job job);

    // A failure found outside the jobs ends the pool as a job's would.
    void fail(FsResult<void> failure);

    bool failed() const;

    // Waits until every queued job has run (or was dropped after a
    // failure); the first failure. The pool takes jobs again afterwards.
    FsResult<void> finish();

private:
    void loop(std::size_t lane);
    void record(FsResult<void> result);

    const std::size_t threads_;
    const std::size_t queueLength_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    FsResult<void> first_;
    std::vector<std::thread> workers_;
};

// One of a few turns at something done only a few at a time (copying big
// files, which a drive would otherwise seek between), held while it lasts.
class Turn {
public:
    explicit Turn(std::counting_semaphore<>& turns) : turns_(turns) { turns_.acquire(); }
    ~Turn() { turns_.release(); }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

private:
    std::counting_semaphore<>& turns_;
};
