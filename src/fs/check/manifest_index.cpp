#include "fs/check/manifest_index.h"

#include "fs/entries/entry_support.h"

ManifestIndex::ManifestIndex(const CopyManifest& manifest)
{
    for (const CopiedEntry& entry : manifest.entries)
        byPlace_.emplace(entry.relativePath, Expected{&entry, false});
}

const CopiedEntry* ManifestIndex::visit(const std::string& relative)
{
    const auto known = byPlace_.find(relative);
    if (known == byPlace_.end())
        return nullptr;
    known->second.seen = true;
    return known->second.entry;
}

const CopiedEntry* ManifestIndex::find(const std::string& relative) const
{
    const auto known = byPlace_.find(relative);
    return known == byPlace_.end() ? nullptr : known->second.entry;
}

std::optional<std::string> ManifestIndex::firstUnvisited() const
{
    for (const auto& [relative, expected] : byPlace_) {
        if (!expected.seen)
            return relative;
    }
    return std::nullopt;
}

bool stillAsCopied(const struct stat& now, const CopiedEntry& entry)
{
    const mode_t type = now.st_mode & S_IFMT;
    if (type != entry.type || now.st_ino != entry.inode || now.st_dev != entry.device)
        return false;
    switch (type) {
    case S_IFREG:
        return now.st_size == entry.length && nanoseconds(now.st_mtim) == entry.modifiedNs &&
               nanoseconds(now.st_ctim) == entry.changedNs;
    // A link cannot be changed in place, only replaced (a new inode), but
    // its length is checked all the same.
    case S_IFLNK: return now.st_size == entry.length;
    default: return true;
    }
}
