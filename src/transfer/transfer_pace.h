#pragma once
// How fast a transfer goes and how long it has left, from its progress
// reports. The speed is smoothed over the last few seconds, so neither it
// nor the time left jumps with each chunk or each small file; bytes of
// items that failed or were stopped count neither as speed nor as left.
// Pure: the reports carry their own time.

#include "transfer/transfer_engine.h"

#include <cstdint>
#include <optional>

class TransferPace {
public:
    void record(const ItemProgress& progress);

    // Bytes a second; 0 until measured.
    double bytesPerSecond() const { return rate_; }
    // None in the run's first seconds, or while nothing has moved.
    std::optional<double> secondsLeft() const;

private:
    bool started_ = false;
    bool measured_ = false;
    double sampleStart_ = 0;       // the current sample's start, in run seconds
    std::int64_t sampleBytes_ = 0; // bytes moved by then
    double rate_ = 0;
    double seconds_ = 0;
    std::int64_t bytesLeft_ = 0;
};
