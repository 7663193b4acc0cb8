#pragma once
// The one door through which the engine and the controller reach the disk,
// with the plain values that pass through it. Every operation takes native
// byte paths of any length (also beyond PATH_MAX), follows no symbolic link
// at the item itself unless it says so, and reports failures as values
// (fs_error.h), never as exceptions. Tests substitute an implementation that
// fails chosen operations.
//
// Implementations must be usable from the GUI thread and one worker at once.

#include "fs/drive_claim.h"
#include "fs/fs_error.h"
#include "fs/held_folder.h"
#include "fs/remount_result.h"
#include "fs/scan_tally.h"
#include "fs/user_folder.h"
#include "model/item_fingerprint.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <sys/types.h>
#include <vector>

// A type from a directory entry, without a stat call. `unknown` means the
// file system did not say and the caller must stat the entry.
enum class EntryType : std::uint8_t { unknown, regular, directory, symbolicLink, other };

enum class ItemType : std::uint8_t { regular, directory, symbolicLink, other };

// What one item is, read without following a link at the item itself.
struct ItemValues {
    ItemType type = ItemType::other;
    // The space the item takes on disk (blocks of 512 bytes), when known.
    std::optional<std::int64_t> allocatedBytes;
    // The logical length in bytes, when known.
    std::optional<std::int64_t> length;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    // The file system it is on (a stat's device number).
    std::optional<std::uint64_t> device;
    std::optional<std::uint64_t> inode;

    bool isSymbolicLink() const { return type == ItemType::symbolicLink; }
    bool isDirectory() const { return type == ItemType::directory; }
    bool isRegularFile() const { return type == ItemType::regular; }
};

struct DirectoryEntry {
    std::string name; // bytes, as the file system stores them
    EntryType type = EntryType::unknown;
};

// A folder tree measured: the space its regular files take on disk, and
// their fingerprint.
struct TreeMeasure {
    std::int64_t allocatedBytes = 0;
    ItemFingerprint fingerprint;
};

struct VolumeValues {
    std::optional<QString> name;                // the file-system label, when there is one
    std::optional<std::int64_t> availableBytes; // what the user may still write
    std::optional<std::int64_t> totalBytes;     // the file system's size
};

// A 128-bit hash of a file's contents (content_hash.h makes them).
struct ContentHash {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const ContentHash&) const = default;
};

// One entry of the source as it was copied.
struct CopiedEntry {
    std::string relativePath; // "" for the item itself, else "a/b" below it
    std::string linkTarget;
    // A hard link of a file copied before within the item: its copy is a
    // hard link of that file's copy, whose place ("a/b") this is.
    std::string linkedTo;
    std::optional<ContentHash> hash; // regular files, when hashing
    std::int64_t length = 0;
    // The source's identity and state when copied, to notice later changes
    // (a tool that puts the modification time back still moves the change time).
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0; // regular files
    mode_t type = 0;            // the S_IFMT bits
    // A regular file whose copy was made by sharing its blocks (a reflink),
    // so it was not hashed: the verification checks the blocks instead.
    bool sharesBlocks = false;
};

// What a copy took from its source, for the verification.
struct CopyManifest {
    // The item itself first. In blocks, not one array: a tree of a million
    // files never needs its entries twice over while they grow.
    std::deque<CopiedEntry> entries;
};

class DrivePacer;

// Told how many more bytes were done; may be called from several threads at once.
using ByteCounter = std::function<void(std::int64_t bytes)>;

struct CopyOptions {
    // Hash every file's contents as it is read, for a later comparison.
    bool hashContents = false;
    // A stop request ends the copy at the next file or chunk with
    // ECANCELED, leaving what it wrote.
    std::stop_token stop = {};
    // Bytes of file contents copied (holes count as they are passed).
    ByteCounter copied = {};
    // Where the drive's write-back cannot be steered (drive_pacer.h): keeps
    // what is in flight small, and `copied` hears of bytes once they are on
    // the drive. Held by the caller for the whole run.
    DrivePacer* pacer = nullptr;
};

// How far the check of a copy goes.
enum class CopyCheck : std::uint8_t {
    layout,              // every entry there, of its type and length; the source unchanged
    contents,            // and every file read back from the drive and compared
    contentsBeforeTrash, // and no part of the source on another drive (it goes to the Trash whole)
};

// How a read-back reaches the drive that holds a folder. A driver in user
// space (FUSE: exfat-fuse, ntfs-3g) reads its device through the kernel's
// cache of it, so a read-back through the driver may never reach the drive.
struct DriveAccess {
    bool userSpaceDriver = false;
    std::filesystem::path mountPoint; // where its file system is mounted
    std::filesystem::path device;     // what it was mounted from ("/dev/sdb1"), when known
    bool readOnly = false;            // mounted read-only
};

// What a destination's file system can hold (destination_rules.h learns it).
struct DestinationRules {
    bool windowsCharacters = false;  // refuses " * : < > ? \ | and control characters
    bool trailingDotOrSpace = false; // refuses or strips names ending in "." or " "
    bool asciiNamesOnly = false;     // a FAT driver without long Unicode names
    bool utf8NamesOnly = false;      // names must be valid UTF-8 (exFAT, NTFS)
    bool caseInsensitive = false;    // "Notes.txt" and "notes.txt" are one name
    bool symbolicLinks = true;
    bool nameLimitInUtf16 = false;           // names count UTF-16 units, not bytes
    int longestName = 255;                   // in bytes, or in UTF-16 units
    std::optional<std::int64_t> largestFile; // FAT: 4 GiB - 1
    bool folderRenameKeepsContents = true;   // fusefat's renamed folder comes out empty

    bool operator==(const DestinationRules&) const = default;
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
    // and their fingerprint; hidden ones counted, links not, unreadable
    // parts count nothing. A stop request ends the walk early with a
    // partial total.
    virtual TreeMeasure treeMeasure(const std::filesystem::path& folder, std::stop_token stop = {},
                                    ScanTally* tally = nullptr) const = 0;

    // The same for several folders, in order; `started` hears each one's
    // index as its walk starts, perhaps on another thread but one call at a
    // time. A file system may walk them together.
    virtual std::vector<TreeMeasure> treeMeasures(const std::vector<std::filesystem::path>& folders,
                                                  std::stop_token stop = {}, ScanTally* tally = nullptr,
                                                  const std::function<void(std::size_t)>& started = {}) const
    {
        std::vector<TreeMeasure> measures;
        for (std::size_t i = 0; i < folders.size() && !stop.stop_requested(); ++i) {
            if (started)
                started(i);
            measures.push_back(treeMeasure(folders[i], stop, tally));
        }
        measures.resize(folders.size());
        return measures;
    }

    // Label and free space of the volume holding `folder`; either may be absent.
    virtual VolumeValues volumeValues(const std::filesystem::path& folder) const = 0;

    // Opens the folder at `folder` (through a link there: the user chose
    // it) and holds it, so that all that follows lands on that drive.
    virtual FsResult<HeldFolder> holdFolder(const std::filesystem::path& folder) const = 0;

    // The folder `name` inside `parent`, made when missing and then held.
    // Anything else there (a link, a file, a folder of another file system)
    // is refused with FsErrc::notARealFolder.
    virtual FsResult<HeldFolder> holdSubfolder(const HeldFolder& parent, const std::string& name) const = 0;

    // True while the path `folder` was opened at still leads to it, on the
    // same file system; false once its drive is gone or unmounted.
    virtual bool stillAvailable(const HeldFolder& folder) const = 0;

    // What the file system of `folder` can hold, tried out inside it (in a
    // scratch folder of its own that is removed again).
    virtual DestinationRules destinationRules(const HeldFolder& folder) const = 0;

    // Checks the whole item `source`, to be copied as `name` into `into`,
    // against `rules` and the free space there, before anything is written:
    // a failure names the first entry the destination cannot hold and why.
    virtual FsResult<void> checkItemFits(const std::filesystem::path& source, const std::string& name,
                                         const DestinationRules& rules, const HeldFolder& into) const = 0;

    // True when any item is at `path`, a dangling symbolic link included, and
    // when the answer cannot be known (so that nothing is ever taken as free
    // that might not be).
    virtual bool exists(const std::filesystem::path& path) const = 0;
    // The same for `name` inside a held folder.
    virtual bool existsIn(const HeldFolder& folder, const std::string& name) const = 0;

    // The absolute path with links resolved as far as it exists, and
    // lexically standardised beyond that.
    virtual std::filesystem::path resolvedPath(const std::filesystem::path& path) const = 0;

    virtual std::filesystem::path homeDirectory() const = 0;
    // One of the user's own folders, where the desktop keeps it; none where
    // it has none.
    virtual std::optional<std::filesystem::path> userFolder(UserFolder folder) const = 0;
    // Where the user's drives are mounted (see mount_table.h).
    virtual std::vector<std::filesystem::path> driveMountPoints() const = 0;
    // Where the file system holding `item` (a link itself, not followed) is
    // mounted; none where it cannot be told.
    virtual std::optional<std::filesystem::path> mountPoint(const std::filesystem::path& item) const = 0;

    // Copies the whole item to `name` inside `into`, where nothing may exist
    // yet (see item_copier.h); returns what was copied, for verification.
    virtual FsResult<CopyManifest> copyItem(const std::filesystem::path& source, const HeldFolder& into,
                                            const std::string& name, const CopyOptions& options) const = 0;

    // Checks a finished copy, `name` inside `into`, against its source (see
    // copy_verifier.h); a failure names what differed and where.
    // `verified` counts the bytes read back.
    virtual FsResult<void> verifyCopy(const std::filesystem::path& source, const HeldFolder& into,
                                      const std::string& name, const CopyManifest& manifest, CopyCheck check,
                                      std::stop_token stop = {}, ByteCounter verified = {}) const = 0;

    // What copying `source` would record, without writing anything: every
    // file read and hashed (see source_record.h). For a copy already made.
    virtual FsResult<CopyManifest> recordItem(const std::filesystem::path& source,
                                              const CopyOptions& options) const = 0;

    // How far a modification time the file system of `folder` stores may be
    // from the one set: 2 s on FAT, none on ext4. Tried out in a scratch
    // folder of its own, as the rules are; none where that could not be
    // tried (a read-only drive), which is not "exact".
    virtual std::optional<std::int64_t> timeTolerance(const HeldFolder& folder) const = 0;

    // Every entry of a held folder, hidden names included.
    virtual FsResult<std::vector<DirectoryEntry>> folderEntries(const HeldFolder& folder) const = 0;

    // Whether `name` inside `folder` looks like a whole copy of `source`, by
    // types, lengths and times alone (see copy_match.h).
    virtual bool looksLikeCopy(const std::filesystem::path& source, const HeldFolder& folder, const std::string& name,
                               std::int64_t timeToleranceNs, std::stop_token stop = {}) const = 0;

    // Marks a run's folder as in use by this process for as long as it is
    // held, so that another process takes an unfinished copy in it for one
    // being written, not one a dead run left. Fails where the folder's
    // file system keeps no locks.
    virtual FsResult<void> claimRunFolder(const HeldFolder& folder) const = 0;
    // True while any process, this one included, holds `folder` claimed,
    // and where it cannot be told.
    virtual bool runFolderClaimed(const HeldFolder& folder) const = 0;

    // Puts the copy `name` inside `into` on the drive itself (see
    // copy_flush.h): a write-back error the drive had since `into` was
    // opened fails it.
    virtual FsResult<void> flushCopy(const HeldFolder& into, const std::string& name) const = 0;

    // How a read-back reaches the drive holding `folder` (see drive_cache.h).
    virtual DriveAccess driveAccess(const HeldFolder& folder) const = 0;

    // Unmounts the drive `drive` (one served by a driver in user space) and
    // mounts it again itself, read-only when asked and as before when not
    // (see own_remount.h): for a program running as root where no disk
    // service does it. `unavailable` everywhere else.
    virtual RemountResult remountDrive(const DriveAccess& drive, bool readOnly) const = 0;

    // Adds the drive of `folder` to `claim`, for as long as the claim lasts
    // (see drive_lock.h): fails with FsErrc::driveInUse where another run
    // holds the drive, or has unmounted the drive `folder` belongs on.
    virtual FsResult<void> claimDrive(const HeldFolder& folder, DriveClaim& claim) const = 0;

    // Gives the finished copy `from` inside `into` its name `to`, where
    // nothing may be yet (EEXIST otherwise).
    virtual FsResult<void> renameCopy(const HeldFolder& into, const std::string& from, const std::string& to) const = 0;

    // Removes an unfinished copy, `name` inside `into`, with everything
    // below it: one this run began and stopped, or one a dead run left
    // (earlier_copies.h). Besides empty folders of its own making, the only
    // thing Loftwell ever removes, and only its own unfinished work.
    virtual FsResult<void> removeUnfinishedCopy(const HeldFolder& into, const std::string& name) const = 0;

    // Removes `folder` when it is empty and its path still leads to it;
    // true when removed. A run tidies only the folders it made itself, and
    // those of dead runs it emptied of unfinished copies.
    virtual bool removeEmptyFolder(const HeldFolder& folder) const = 0;

    // Moves an item to the user's Trash; returns where it went. Right before
    // the move, every entry of the item is compared with what was copied
    // (`copied`); any change fails with FsErrc::sourceChanged and the item stays.
    virtual FsResult<std::filesystem::path> trashItem(const std::filesystem::path& item,
                                                      const CopyManifest& copied) const = 0;

    // Puts back an original the user's Trash holds at `trashed`, as `name`
    // inside `into` (see trash_restore.h).
    virtual FsResult<void> restoreFromTrash(const std::filesystem::path& trashed, const std::filesystem::path& original,
                                            const HeldFolder& into, const std::string& name) const = 0;

    // Access to a folder the user chose. Linux has no sandbox, so starting
    // always succeeds and stopping does nothing; callers still make the
    // calls in pairs.
    virtual bool startAccessing(const std::filesystem::path& folder) = 0;
    virtual void stopAccessing(const std::filesystem::path& folder) = 0;
};
