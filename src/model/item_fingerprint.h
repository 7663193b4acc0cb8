#pragma once
// What a scan learns of an item's contents without reading any data: the
// total length of its regular files and the newest modification and change
// times among them. An item still being written, edited or added to after
// the scan shows a different fingerprint; space the file system allocates
// later (ext4's write-back) does not change it.

#include <cstdint>

struct ItemFingerprint {
    std::int64_t lengthBytes = 0;
    std::int64_t newestModifiedNs = 0;
    std::int64_t newestChangedNs = 0;

    bool operator==(const ItemFingerprint&) const = default;

    // Adds one regular file.
    void add(std::int64_t length, std::int64_t modifiedNs, std::int64_t changedNs)
    {
        lengthBytes += length;
        if (modifiedNs > newestModifiedNs)
            newestModifiedNs = modifiedNs;
        if (changedNs > newestChangedNs)
            newestChangedNs = changedNs;
    }

    void add(const ItemFingerprint& other) { add(other.lengthBytes, other.newestModifiedNs, other.newestChangedNs); }
};
