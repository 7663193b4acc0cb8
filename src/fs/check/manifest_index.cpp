#include "fs/check/manifest_index.h"

#include "fs/entries/entry_support.h"

ManifestIndex::ManifestIndex(const CopyManifest& manifest) : manifest_(manifest), seen_(manifest.entries.size())
{
    std::size_t size = 16;
    while (size < manifest.entries.size() * 2)
        size *= 2;
    slots_.assign(size, 0);
    for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
        std::uint32_t& slot = slots_[slotOf(manifest.entries[i].relativePath)];
        if (slot == 0) // the first of a place listed twice, as a map keeps it
            slot = std::uint32_t(i + 1);
    }
}

std::size_t ManifestIndex::slotOf(std::string_view relative) const
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = std::hash<std::string_view>{}(relative)&mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0 || manifest_.entries[slots_[at] - 1].relativePath == relative)
            return at;
    }
}

const CopiedEntry* ManifestIndex::visit(const std::string& relative)
{
    const std::uint32_t slot = slots_[slotOf(relative)];
    if (slot == 0)
        return nullptr;
    seen_[slot - 1] = true;
    return &manifest_.entries[slot - 1];
}

const CopiedEntry* ManifestIndex::find(const std::string& relative) const
{
    const std::uint32_t slot = slots_[slotOf(relative)];
    return slot == 0 ? nullptr : &manifest_.entries[slot - 1];
}

std::optional<std::string> ManifestIndex::firstUnvisited() const
{
    for (const std::uint32_t slot : slots_) {
        if (slot != 0 && !seen_[slot - 1])
            return manifest_.entries[slot - 1].relativePath;
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
