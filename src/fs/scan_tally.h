#pragma once
// What a scan has measured so far: regular files and the space they take on
// disk. The walk adds to it as it goes; another thread reads it a few times a
// second to show the user that the scan moves. Counts only, never a result:
// relaxed atomics are enough.

#include <atomic>
#include <cstdint>

struct ScanTally {
    std::atomic<std::int64_t> files{0};
    std::atomic<std::int64_t> bytes{0};

    void add(std::int64_t fileCount, std::int64_t byteCount)
    {
        files.fetch_add(fileCount, std::memory_order_relaxed);
        bytes.fetch_add(byteCount, std::memory_order_relaxed);
    }
};
