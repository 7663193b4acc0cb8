#pragma once
// A 128-bit XXH3 hash of a byte stream, fed in pieces. Holes of sparse files
// are fed as zeros so a file and its copy hash alike however they are stored.

#include <cstddef>
#include <cstdint>
#include <memory>

struct ContentHash {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const ContentHash&) const = default;
};

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
