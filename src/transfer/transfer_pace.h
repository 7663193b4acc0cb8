#pragma once
// How fast a transfer goes and how long it has left, from its progress
// reports. The drive's write speed (copying, and putting the copies on the
// drive) and its read-back speed are measured apart: a read-back goes much
// faster than the writes of a slow stick. Each is smoothed over the last
// few seconds, so neither the speed nor the time left jumps with each chunk
// or each small file; bytes of items that failed or were stopped count
// neither as speed nor as left. Pure: the reports carry their own time.

#include "transfer/transfer_engine.h"

#include <cstdint>
#include <optional>

class TransferPace {
public:
    void record(const ItemProgress& progress);

    // Bytes a second of the phase under way; 0 until measured.
    double bytesPerSecond() const;
    // What remains to write at the write speed, and what remains to read
    // back at the read-back speed (until that is measured, a few times the
    // write speed, as a stick reads; its time never more than at the write
    // speed). None in the run's first seconds, or while nothing has moved.
    std::optional<double> secondsLeft() const;
    // How much of the whole run's time is done, 0 to 1: the bytes of each
    // phase weighed by the time a byte takes in it, so the bar moves at
    // the pace of the run.
    double runFraction() const;

private:
    // One phase's speed, from the bytes it moved and the time it ran.
    struct Rate {
        bool started = false;
        bool measured = false;
        double sampleStart = 0;
        std::int64_t sampleBytes = 0;
        double value = 0;

        void record(double seconds, std::int64_t bytes, bool running);
    };

    double readRate() const;

    Rate write_;
    Rate read_;
    ItemProgress last_;
};
