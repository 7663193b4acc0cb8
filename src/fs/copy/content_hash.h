#pragma once
// A 128-bit XXH3 hash of a byte stream, fed in pieces. Holes of sparse files
// are fed as zeros so a file and its copy hash alike however they are stored.

#include "fs/file_system.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void add(const void* data, std::size_t size);
    void addZeros(std::int64_t count);
    ContentHash finish() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
