#include "fs/check/copy_verifier.h"

#include "fs/check/drive_read_back.h"
#include "fs/check/manifest_index.h"
#include "fs/copy/content_hash.h"
#include "fs/copy/work_pool.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <linux/fiemap.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Small files are read back this many at a time: one at a time, a drive
// spends most of its time waiting for the next request.
constexpr std::size_t readBackLanes = 16;
constexpr std::int64_t pooledReadsUpTo = 4LL * 1024 * 1024;

class CopyVerifier {
public:
    CopyVerifier(const SystemIo& io, const CopyManifest& manifest, CopyCheck check, std::stop_token stop,
                 ByteCounter verified = {})
        : io_(io),
          manifest_(manifest),
          compareContents_(check != CopyCheck::layout),
          wholeOnOneDrive_(check == CopyCheck::contentsBeforeTrash),
          stop_(std::move(stop)),
          verified_(std::move(verified)),
          reader_(io_, stop_, verified_),
          index_(manifest)
    {
        if (!manifest.entries.empty())
            device_ = manifest.entries.front().device;
    }

    FsResult<void> run(const fs::path& source, int targetDirectory, const char* targetName, const fs::path& target)
    {
        auto sourceAnchor = PathAnchor::resolve(io_, source);
        if (!sourceAnchor)
            return sourceAnchor.error();
        auto checked = verifyEntry(sourceAnchor.value().directory(), sourceAnchor.value().name(), targetDirectory,
                                   targetName, std::string(), nullptr);
        if (!checked)
            pool_.fail(checked);
        // The first failure, a read's or the walk's, is the item's.
        if (auto reads = pool_.finish(); !reads)
            checked = std::move(reads);
        if (!checked)
            return placedIn(checked, target);
        // An entry gone from the source since the copy is a change too.
        if (auto gone = index_.firstUnvisited())
            return placedIn(inItem(FsErrc::sourceChanged, *gone), target);
        return placedIn(hardLinksKept(), target);
    }

private:
    // A folder and its copy, open while their files are read back.
    struct FolderPair {
        UniqueFd source;
        UniqueFd copy;
    };

    struct PendingRead {
        std::string name;
        const CopiedEntry* entry;
        ino_t copyInode;
    };

    bool stopped() const { return stop_.stop_requested(); }

    // The original of `entry` is provably the file first copied as
    // `entry.linkedTo`: one device, one inode, as recorded when copied.
    bool sameOriginal(const CopiedEntry& entry) const
    {
        const CopiedEntry* first = index_.find(entry.linkedTo);
        return first && first->device == entry.device && first->inode == entry.inode;
    }

    // Names of one file in the item are names of one file in the copy, and
    // names of two files are two files: the originals say which, not the
    // copier.
    FsResult<void> hardLinksKept()
    {
        for (const CopiedEntry& entry : manifest_.entries) {
            if (entry.linkedTo.empty())
                continue;
            const auto copy = copyInodes_.find(entry.relativePath);
            const auto firstCopy = copyInodes_.find(entry.linkedTo);
            const bool linked =
                copy != copyInodes_.end() && firstCopy != copyInodes_.end() && copy->second == firstCopy->second;
            if (linked != sameOriginal(entry))
                return inItem(FsErrc::hardLinkDiffers, entry.relativePath);
        }
        return {};
    }

    // `pending`: where a folder collects its files for reading them back
    // together; null reads at once.
    FsResult<void> verifyEntry(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                               const std::string& relative, std::vector<PendingRead>* pending)
    {
        if (stopped())
            return inItem(systemError(ECANCELED), relative);
        const CopiedEntry* copied = index_.visit(relative);
        if (!copied)
            return inItem(FsErrc::sourceChanged, relative); // appeared in the source after the copy
        const CopiedEntry& entry = *copied;
        struct stat source, target;
        if (io_.statAt(sourceDir, sourceName, &source, AT_SYMLINK_NOFOLLOW) != 0)
            return inItem(errno == ENOENT ? make_error_code(FsErrc::sourceChanged) : systemError(errno), relative);
        if (!stillAsCopied(source, entry))
            return inItem(FsErrc::sourceChanged, relative);
        if (io_.statAt(targetDir, targetName, &target, AT_SYMLINK_NOFOLLOW) != 0)
            return inItem(errno == ENOENT ? make_error_code(FsErrc::entryMissing) : systemError(errno), relative);
        const mode_t type = source.st_mode & S_IFMT;
        if ((target.st_mode & S_IFMT) != type)
            return inItem(FsErrc::typeDiffers, relative);
        // Another drive mounted inside the item: copied, but never trashed along.
        if (wholeOnOneDrive_ && source.st_dev != device_)
            return inItem(FsErrc::otherFileSystem, relative);
        switch (type) {
        case S_IFREG:
            if (target.st_size != entry.length)
                return inItem(FsErrc::lengthDiffers, relative);
            if (source.st_nlink > 1) // the only files a hard link can join
                copyInodes_[relative] = target.st_ino;
            if (!compareContents_)
                return {};
            if (!entry.linkedTo.empty()) {
                // Another name of a file read back under its first: only the
                // link is checked, once the whole copy is seen. A name the
                // copier linked although its original is another file is
                // compared byte for byte with that original.
                if (sameOriginal(entry))
                    return {};
                return bytesMatch({sourceDir, sourceName, entry.inode}, {targetDir, targetName, target.st_ino}, entry,
                                  mainBuffer_);
            }
            // A big file is read here, by itself: it keeps the drive busy alone.
            if (pending && entry.length <= pooledReadsUpTo) {
                pending->push_back({targetName, &entry, target.st_ino});
                return {};
            }
            return contentMatches({sourceDir, sourceName, entry.inode}, {targetDir, targetName, target.st_ino}, entry,
                                  mainBuffer_);
        case S_IFLNK: {
            std::string link(entry.linkTarget.size() + 2, '\0');
            const ssize_t length = io_.readLinkAt(targetDir, targetName, link.data(), link.size());
            if (length < 0)
                return inItem(systemError(errno), relative);
            if (link.substr(0, std::size_t(length)) != entry.linkTarget)
                return inItem(FsErrc::linkTargetDiffers, relative);
            return {};
        }
        case S_IFDIR: return verifyFolder(sourceDir, sourceName, targetDir, targetName, relative);
        default: return {};
        }
    }

    FsResult<void> verifyFolder(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                                const std::string& relative)
    {
        auto folders = std::make_shared<FolderPair>();
        folders->source.reset(io_.openAt(sourceDir, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folders->source.valid())
            return inItem(systemError(errno), relative);
        folders->copy.reset(io_.openAt(targetDir, targetName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folders->copy.valid())
            return inItem(systemError(errno), relative);
        const int in = folders->source.get();
        const int out = folders->copy.get();
        std::error_code listError;
        const std::vector<DirectoryEntry> entries = allEntries(io_, in, listError);
        if (listError)
            return inItem(listError, relative);
        std::vector<PendingRead> pending;
        for (const DirectoryEntry& child : entries) {
            if (auto checked = verifyEntry(in, child.name.c_str(), out, child.name.c_str(),
                                           joinRelative(relative, child.name), &pending);
                !checked)
                return checked;
        }
        return readBack(folders, std::move(pending));
    }

    // Sends a folder's files to be read back, many at a time, in the order
    // of their copies' inodes, which is about the order in which the drive
    // holds them. A file has the same name in the source folder and in its
    // copy.
    FsResult<void> readBack(const std::shared_ptr<FolderPair>& folders, std::vector<PendingRead> files)
    {
        std::sort(files.begin(), files.end(),
                  [](const PendingRead& a, const PendingRead& b) { return a.copyInode < b.copyInode; });
        for (PendingRead& file : files) {
            const bool queued = pool_.submit([this, folders, file = std::move(file)](std::size_t lane) {
                const char* name = file.name.c_str();
                return contentMatches({folders->source.get(), name, file.entry->inode},
                                      {folders->copy.get(), name, file.copyInode}, *file.entry, laneBuffers_[lane]);
            });
            if (!queued)
                return inItem(systemError(ECANCELED), {}); // the pool has the failure that stopped it
        }
        return {};
    }

    FsResult<void> contentMatches(const CheckedFile& source, const CheckedFile& copy, const CopiedEntry& entry,
                                  ReadBackBuffer& buffer)
    {
        const std::string& relative = entry.relativePath;
        if (entry.sharesBlocks)
            return sharedCopyMatches(source, copy, entry, buffer);
        if (!entry.hash)
            return inItem(FsErrc::contentsDiffer, relative); // copied without hashing: nothing to compare with
        const auto hash = hashFromDrive(copy, ReadSide::copy, entry, buffer);
        if (!hash)
            return hash.error();
        return hash.value() == *entry.hash ? FsResult<void>() : inItem(FsErrc::contentsDiffer, relative);
    }

    // A copy that shares its source's blocks (a reflink) holds the very bytes
    // of the source by construction: comparing them with themselves would
    // prove nothing, as the drive keeps them once for both files. What can
    // go wrong is the construction and the drive, so those are checked: both
    // extent maps must be alike block for block and shared, and every byte
    // of the copy must read back from the drive now (which proves they can
    // be read, not that they are right; no check can tell that of the only
    // copy there is, and a fault of the drive takes copy and original alike).
    // Where the maps cannot be read or differ, both files are read and
    // compared instead.
    FsResult<void> sharedCopyMatches(const CheckedFile& source, const CheckedFile& copy, const CopiedEntry& entry,
                                     ReadBackBuffer& buffer)
    {
        if (sameSharedBlocks(source, copy)) {
            const auto hash = hashFromDrive(copy, ReadSide::copy, entry, buffer);
            return hash ? FsResult<void>() : hash.error();
        }
        return bytesMatch(source, copy, entry, buffer);
    }

    // Both files read from their drives and compared.
    FsResult<void> bytesMatch(const CheckedFile& source, const CheckedFile& copy, const CopiedEntry& entry,
                              ReadBackBuffer& buffer)
    {
        const auto sourceHash = hashFromDrive(source, ReadSide::source, entry, buffer);
        if (!sourceHash)
            return sourceHash.error();
        const auto copyHash = hashFromDrive(copy, ReadSide::copy, entry, buffer);
        if (!copyHash)
            return copyHash.error();
        if (sourceHash.value() != copyHash.value())
            return inItem(FsErrc::contentsDiffer, entry.relativePath);
        return {};
    }

    // The file's contents as its drive returns them now.
    FsResult<ContentHash> hashFromDrive(const CheckedFile& file, ReadSide side, const CopiedEntry& entry,
                                        ReadBackBuffer& buffer)
    {
        std::error_code error;
        if (auto hash = reader_.hash(file, side, entry.length, buffer, error))
            return *hash;
        return inItem(error, entry.relativePath);
    }

    bool sameSharedBlocks(const CheckedFile& sourceFile, const CheckedFile& copyFile) const
    {
        constexpr int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        const UniqueFd source(io_.openAt(sourceFile.directory, sourceFile.name, flags));
        const UniqueFd copy(io_.openAt(copyFile.directory, copyFile.name, flags));
        std::vector<FileExtent> sourceMap, copyMap;
        if (!source.valid() || !copy.valid() || !reader_.isFile(source.get(), sourceFile) ||
            !reader_.isFile(copy.get(), copyFile) || io_.fileExtents(source.get(), sourceMap) != 0 ||
            io_.fileExtents(copy.get(), copyMap) != 0)
            return false;
        // Not yet placed, kept inside the file system's own records, or
        // compressed (btrfs gives a compressed block's start for every file
        // using part of it): no blocks of their own to compare.
        constexpr std::uint32_t unplaced = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_DATA_INLINE |
                                           FIEMAP_EXTENT_NOT_ALIGNED | FIEMAP_EXTENT_ENCODED;
        const auto shared = [&](const FileExtent& extent) {
            return (extent.flags & FIEMAP_EXTENT_SHARED) != 0 && (extent.flags & unplaced) == 0;
        };
        return !copyMap.empty() && copyMap == sourceMap && std::all_of(copyMap.begin(), copyMap.end(), shared);
    }

    const SystemIo& io_;
    const CopyManifest& manifest_;
    bool compareContents_;
    bool wholeOnOneDrive_;
    std::stop_token stop_;
    ByteCounter verified_;
    DriveReadBack reader_;
    dev_t device_ = 0;
    ManifestIndex index_;
    std::unordered_map<std::string, ino_t> copyInodes_; // files of the copy with several names, by place
    ReadBackBuffer mainBuffer_;
    std::vector<ReadBackBuffer> laneBuffers_ = std::vector<ReadBackBuffer>(readBackLanes + 1);
    WorkPool pool_{readBackLanes, 4 * readBackLanes}; // last: its jobs use all of the above
};

} // namespace

FsResult<void> verifyItemCopy(const SystemIo& io, const fs::path& source, int targetDirectory,
                              const std::string& targetName, const fs::path& target, const CopyManifest& manifest,
                              CopyCheck check, std::stop_token stop, ByteCounter verified)
{
    CopyVerifier verifier(io, manifest, check, std::move(stop), std::move(verified));
    return verifier.run(source, targetDirectory, targetName.c_str(), target);
}

FsResult<void> verifyItemCopy(const SystemIo& io, const fs::path& source, const fs::path& target,
                              const CopyManifest& manifest, CopyCheck check, std::stop_token stop)
{
    auto anchor = PathAnchor::resolve(io, target);
    if (!anchor)
        return anchor.error();
    CopyVerifier verifier(io, manifest, check, std::move(stop));
    return verifier.run(source, anchor.value().directory(), anchor.value().name(), target);
}
