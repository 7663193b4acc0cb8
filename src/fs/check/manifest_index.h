#pragma once
// What a copy took from its source, looked up by place, and the one
// definition of "this entry of the source is still the one that was copied"
// that the verification and the last look before the Trash share. Plain
// value; not thread-safe.

#include "fs/file_system.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

class ManifestIndex {
public:
    explicit ManifestIndex(const CopyManifest& manifest);

    // The entry copied at `relative`, now marked as seen; null for a place
    // the copy did not have (added to the source since).
    const CopiedEntry* visit(const std::string& relative);

    // The entry copied at `relative`, without marking it.
    const CopiedEntry* find(const std::string& relative) const;

    // The place of an entry that was copied but never visited: gone from
    // the source since.
    std::optional<std::string> firstUnvisited() const;

private:
    struct Expected {
        const CopiedEntry* entry;
        bool seen;
    };
    std::unordered_map<std::string, Expected> byPlace_;
};

// True while the source entry `now` (lstat) is the one copied as `entry`:
// the same type, identity, length and, for files, times.
bool stillAsCopied(const struct stat& now, const CopiedEntry& entry);
