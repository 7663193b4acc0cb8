#include "fs/copy/content_hash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>

struct ContentHasher::State {
    XXH3_state_t xxh;
};

ContentHasher::ContentHasher() : state_(std::make_unique<State>())
{
    XXH3_128bits_reset(&state_->xxh);
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::add(const void* data, std::size_t size)
{
    XXH3_128bits_update(&state_->xxh, data, size);
}

void ContentHasher::addZeros(std::int64_t count)
{
    static const char zeros[64 * 1024] = {};
    while (count > 0) {
        const auto n = std::size_t(std::min<std::int64_t>(count, sizeof zeros));
        XXH3_128bits_update(&state_->xxh, zeros, n);
        count -= std::int64_t(n);
    }
}

ContentHash ContentHasher::finish() const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(&state_->xxh);
    return {hash.low64, hash.high64};
}
