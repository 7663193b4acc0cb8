#pragma once
// The one door through which the engine and the controller reach the disk.
// Every operation takes native byte paths of any length (also beyond
// PATH_MAX), follows no symbolic link at the item itself unless it says so,
// and reports
// failures as values, never as exceptions. Tests substitute an implementation
// that fails chosen operations.
//
// Implementations must be usable from the GUI thread and one worker at once.

#include "model/directory_reader.h"
#include "model/freedesktop_trash.h"
#include "model/fs_result.h"
#include "model/item_copy.h"

#include <QString>

#include <atomic>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class ItemType : std::uint8_t { regular, directory, symbolicLink, other };

// What one item is, read without following a link at the item itself.
struct ItemValues {
    ItemType type = ItemType::other;
    // The space the item takes on disk (blocks of 512 bytes), when known.
    std::optional<std::int64_t> allocatedBytes;
    // The logical length in bytes, when known.
    std::optional<std::int64_t> length;

    bool isSymbolicLink() const { return type == ItemType::symbolicLink; }
    bool isDirectory() const { return type == ItemType::directory; }
    bool isRegularFile() const { return type == ItemType::regular; }
};

struct DirectoryEntry {
    std::string name; // bytes, as the file system stores them
    EntryType type = EntryType::unknown;
};

struct VolumeValues {
    std::optional<QString> name;                // the file-system label, when there is one
    std::optional<std::int64_t> availableBytes; // what the user may still write
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The immediate children of `directory` in the order the file system
    // gives them, hidden names (starting with ".") left out. A link at
    // `directory` itself is followed.
    virtual FsResult<std::vector<DirectoryEntry>> listDirectory(const std::filesystem::path& directory) const = 0;

    virtual FsResult<ItemValues> itemValues(const std::filesystem::path& item) const = 0;

    // The space on disk of every regular file below `folder` at any depth,
    // hidden names and links left out; unreadable parts count nothing.
    // `stop`, when given and set, ends the walk early.
    virtual std::int64_t treeSize(const std::filesystem::path& folder, const std::atomic<bool>* stop = nullptr) const = 0;

    // Label and free space of the volume holding `folder`; either may be absent.
    virtual VolumeValues volumeValues(const std::filesystem::path& folder) const = 0;

    // Makes `folder` and any missing parents; succeeds when it exists already.
    virtual FsResult<void> createDirectories(const std::filesystem::path& folder) const = 0;

    // True when any item is at `path`, a dangling symbolic link included, and
    // when the answer cannot be known (so that nothing is ever taken as free
    // that might not be).
    virtual bool exists(const std::filesystem::path& path) const = 0;

    virtual std::filesystem::path homeDirectory() const = 0;

    // Copies the whole item to `target`, where nothing may exist yet (see
    // item_copy.h); returns what was copied, for verification.
    virtual FsResult<CopyManifest> copyItem(const std::filesystem::path& source, const std::filesystem::path& target,
                                            const CopyOptions& options) const = 0;

    // Checks a finished copy against its source (see item_copy.h).
    virtual FsResult<void> verifyCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                                      const CopyManifest& manifest, bool compareContents,
                                      const std::atomic<bool>* stop = nullptr) const = 0;

    // Moves an item to the user's Trash; returns where it went. With
    // `expected`, only when the item is still that one.
    virtual FsResult<std::filesystem::path> trashItem(const std::filesystem::path& item,
                                                      std::optional<ItemIdentity> expected = std::nullopt) const = 0;

    // Access to a folder the user chose. Linux has no sandbox, so starting
    // always succeeds and stopping does nothing; the calls are still made in
    // pairs and counted.
    virtual bool startAccessing(const std::filesystem::path& folder) = 0;
    virtual void stopAccessing(const std::filesystem::path& folder) = 0;
};
