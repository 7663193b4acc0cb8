#pragma once
// Progress through a transfer in bytes, passed on at most every 50 ms (the
// copier and the read-back report from several threads, chunk by chunk). Each
// phase of an item moves the run on by the item's length, however it ends.
// Also where a paused run waits, and how long it waited, so the run's
// clock leaves pauses out: a pause counts once, from the first thread that
// waits to the last one that goes on, however many wait.

#include "fs/file_system.h"
#include "transfer/transfer_engine.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <stop_token>

class PauseGate;

class RunMeter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `clock` tells the time; tests give one they drive.
    RunMeter(const ItemProgressCallback& callback, std::int64_t itemBytes, int phases, const PauseGate* pause,
             const std::stop_token& stop, Clock clock = std::chrono::steady_clock::now);

    void startPhase(std::int64_t index, std::int64_t total, const QString& name, bool verifying, std::int64_t length);
    void endPhase();
    // The last `phases` phases of an item of `length` bytes, which will
    // not run (it failed or stopped before them).
    void skip(std::int64_t length, int phases = 1);
    // Said as every copy is put on the drive, before the read-back.
    void flushing();
    // Said while the drive is unmounted and mounted again, or its cache
    // emptied, before the copies are read back.
    void checkingDrive();

    // Hears bytes done between chunks, where a paused run waits.
    ByteCounter counter();
    void waitWhilePaused();

private:
    void add(std::int64_t bytes);
    // No item in hand: every copy put on the drive, or the drive made to answer.
    void betweenPhases(bool flushing, bool checkingDrive);
    void countPhasesLocked();
    void sendLocked();

    const ItemProgressCallback callback_;
    const PauseGate* pause_;
    const std::stop_token stop_;
    const Clock clock_;
    std::mutex mutex_;
    ItemProgress item_;
    std::int64_t phaseStart_ = 0;
    std::int64_t copied_ = 0;   // bytes of copies ended
    std::int64_t verified_ = 0; // bytes of read-backs ended
    std::int64_t copySkipped_ = 0;
    std::int64_t verifySkipped_ = 0;
    const std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::duration paused_{};
    int waiting_ = 0; // threads waiting while paused
    std::chrono::steady_clock::time_point pauseStart_;
    std::chrono::steady_clock::time_point sent_;
};
