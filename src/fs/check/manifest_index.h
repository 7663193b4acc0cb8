#pragma once
// What a copy took from its source, looked up by place, and the one
// definition of "this entry of the source is still the one that was copied"
// that the verification and the last look before the Trash share. Plain
// value over the manifest, which must outlive it; not thread-safe.

#include "fs/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

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
    // Where the entry at `relative` is in the table, or the free slot it would take.
    std::size_t slotOf(std::string_view relative) const;

    // An open-addressed table of entry numbers (plus one; 0 is free), a few
    // bytes a file: a tree of a million files is indexed in a few MB.
    const CopyManifest& manifest_;
    std::vector<std::uint32_t> slots_;
    std::vector<bool> seen_; // by entry number
};

// True while the source entry `now` (lstat) is the one copied as `entry`:
// the same type, identity, length and, for files, times.
bool stillAsCopied(const struct stat& now, const CopiedEntry& entry);
