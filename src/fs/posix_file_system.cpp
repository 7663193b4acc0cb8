#include "fs/posix_file_system.h"
#include "fs/drive/mount_table.h"

#include "fs/check/copy_match.h"
#include "fs/check/copy_verifier.h"
#include "fs/check/source_record.h"
#include "fs/copy/item_copier.h"
#include "fs/copy/unfinished_copy.h"
#include "fs/drive/copy_flush.h"
#include "fs/drive/destination_rules.h"
#include "fs/drive/drive_cache.h"
#include "fs/drive/drive_lock.h"
#include "fs/drive/item_fit_check.h"
#include "fs/drive/own_remount.h"
#include "fs/entries/directory_reader.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/entries/rename_no_replace.h"
#include "fs/trash/freedesktop_trash.h"
#include "fs/trash/trash_restore.h"
#include "fs/unique_fd.h"
#include "fs/walk/tree_size.h"
#include "model/path_ops.h"

#include <QByteArray>
#include <QStorageInfo>
#include <QString>

#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

ItemType itemTypeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return ItemType::regular;
    if (S_ISDIR(mode))
        return ItemType::directory;
    if (S_ISLNK(mode))
        return ItemType::symbolicLink;
    return ItemType::other;
}

} // namespace

FsResult<std::vector<DirectoryEntry>> PosixFileSystem::listDirectory(const fs::path& directory) const
{
    auto anchor = PathAnchor::resolve(*io_, directory);
    if (!anchor)
        return anchor.error();
    // A link to a folder lists that folder: a folder the user chose may well
    // be reached through a link (a Downloads folder moved to another disk).
    UniqueFd fd(io_->openAt(anchor.value().directory(), anchor.value().name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FsError{errno, directory};

    std::vector<DirectoryEntry> entries;
    std::array<char, 32 * 1024> buffer;
    const int error = forEachDirectoryEntry(*io_, fd.get(), buffer, [&](const RawDirectoryEntry& entry) {
        if (!isHiddenName(entry.name))
            entries.push_back({std::string(entry.name), entry.type});
    });
    if (error != 0)
        return FsError{error, directory};
    return entries;
}

FsResult<ItemValues> PosixFileSystem::itemValues(const fs::path& item) const
{
    auto st = statNoFollow(*io_, item);
    if (!st)
        return st.error();
    ItemValues values;
    values.type = itemTypeOf(st.value().st_mode);
    values.allocatedBytes = std::int64_t(st.value().st_blocks) * 512;
    values.length = std::int64_t(st.value().st_size);
    values.modifiedNs = nanoseconds(st.value().st_mtim);
    values.changedNs = nanoseconds(st.value().st_ctim);
    values.device = std::uint64_t(st.value().st_dev);
    values.inode = std::uint64_t(st.value().st_ino);
    return values;
}

TreeMeasure PosixFileSystem::treeMeasure(const fs::path& folder, std::stop_token stop, ScanTally* tally) const
{
    return measureTree(*io_, folder, treeWalkWorkers, std::move(stop), tally);
}

std::vector<TreeMeasure> PosixFileSystem::treeMeasures(const std::vector<fs::path>& folders, std::stop_token stop,
                                                       ScanTally* tally,
                                                       const std::function<void(std::size_t)>& started) const
{
    return measureTrees(*io_, folders, treeWalkWorkers, std::move(stop), tally, started);
}

VolumeValues PosixFileSystem::volumeValues(const fs::path& folder) const
{
    VolumeValues values;
    const QStorageInfo storage(QString::fromLocal8Bit(QByteArray::fromStdString(folder.native())));
    if (storage.isValid()) {
        if (const QString name = storage.name(); !name.isEmpty())
            values.name = name;
        if (const qint64 available = storage.bytesAvailable(); available >= 0)
            values.availableBytes = available;
        if (const qint64 total = storage.bytesTotal(); total > 0)
            values.totalBytes = total;
    }
    // A name that is not valid UTF-8 cannot reach QStorageInfo; the free
    // space is still there to be had from the kernel.
    if (!values.availableBytes) {
        auto anchor = PathAnchor::resolve(*io_, folder);
        if (anchor) {
            UniqueFd fd(
                io_->openAt(anchor.value().directory(), anchor.value().name(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            struct statvfs sv;
            if (fd.valid() && io_->statVolume(fd.get(), &sv) == 0)
                values.availableBytes = std::int64_t(sv.f_bavail) * std::int64_t(sv.f_frsize);
        }
    }
    return values;
}

FsResult<HeldFolder> PosixFileSystem::holdFolder(const fs::path& folder) const
{
    auto anchor = PathAnchor::resolve(*io_, folder);
    if (!anchor)
        return anchor.error();
    UniqueFd fd(io_->openAt(anchor.value().directory(), anchor.value().name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || io_->stat(fd.get(), &st) != 0)
        return FsError{errno, folder};
    return HeldFolder(fd.release(), st.st_dev, st.st_ino, folder);
}

FsResult<HeldFolder> PosixFileSystem::holdSubfolder(const HeldFolder& parent, const std::string& name) const
{
    const fs::path path = parent.path() / name;
    if (io_->makeDirectoryAt(parent.descriptor(), name.c_str(), 0777) != 0 && errno != EEXIST)
        return FsError{errno, path};
    // Never through a link: what is written below must stay on this drive.
    UniqueFd fd(io_->openAt(parent.descriptor(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ELOOP || errno == ENOTDIR)
            return FsError{FsErrc::notARealFolder, path};
        return FsError{errno, path};
    }
    struct stat st;
    if (io_->stat(fd.get(), &st) != 0)
        return FsError{errno, path};
    if (st.st_dev != parent.device())
        return FsError{FsErrc::notARealFolder, path}; // another drive mounted there
    return HeldFolder(fd.release(), st.st_dev, st.st_ino, path);
}

bool PosixFileSystem::stillAvailable(const HeldFolder& folder) const
{
    // A lazily unmounted drive still answers through the held descriptor,
    // but its path now leads elsewhere (the empty mount point).
    struct stat held;
    if (io_->stat(folder.descriptor(), &held) != 0)
        return false;
    auto anchor = PathAnchor::resolve(*io_, folder.path());
    if (!anchor)
        return false;
    struct stat now;
    if (io_->statAt(anchor.value().directory(), anchor.value().name(), &now, 0) != 0)
        return false;
    return now.st_dev == held.st_dev && now.st_ino == held.st_ino && held.st_dev == folder.device();
}

DestinationRules PosixFileSystem::destinationRules(const HeldFolder& folder) const
{
    return probeDestinationRules(*io_, folder.descriptor());
}

FsResult<void> PosixFileSystem::checkItemFits(const fs::path& source, const std::string& name,
                                              const DestinationRules& rules, const HeldFolder& into) const
{
    std::optional<std::int64_t> freeBytes;
    struct statvfs sv;
    // A driver that reports no blocks at all (fusefat) does not know: no check then.
    if (io_->statVolume(into.descriptor(), &sv) == 0 && sv.f_blocks > 0)
        freeBytes = std::int64_t(sv.f_bavail) * std::int64_t(sv.f_frsize);
    return ::checkItemFits(*io_, source, name, rules, freeBytes);
}

bool PosixFileSystem::existsIn(const HeldFolder& folder, const std::string& name) const
{
    struct stat st;
    if (io_->statAt(folder.descriptor(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    return errno != ENOENT;
}

bool PosixFileSystem::exists(const fs::path& path) const
{
    auto st = statNoFollow(*io_, path);
    if (st)
        return true;
    const int code = st.error().code.value();
    return code != ENOENT && code != ENOTDIR;
}

fs::path PosixFileSystem::resolvedPath(const fs::path& path) const
{
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error)
        return standardizedPath(path);
    fs::path result = fs::weakly_canonical(absolute, error);
    return error ? standardizedPath(absolute) : standardizedPath(result);
}

std::optional<fs::path> PosixFileSystem::userFolder(UserFolder folder) const
{
    return desktopUserFolder(folder, homeDirectory());
}

std::vector<fs::path> PosixFileSystem::driveMountPoints() const
{
    return userDriveMounts();
}

std::optional<fs::path> PosixFileSystem::mountPoint(const fs::path& item) const
{
    const auto st = statNoFollow(*io_, item);
    const auto mount = st ? mountOfDevice(st.value().st_dev) : std::nullopt;
    return mount ? std::optional<fs::path>(mount->point) : std::nullopt;
}

fs::path PosixFileSystem::homeDirectory() const
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return fs::path(home);
    std::array<char, 4096> buffer;
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return fs::path(found->pw_dir);
    return fs::path("/");
}

FsResult<CopyManifest> PosixFileSystem::copyItem(const fs::path& source, const HeldFolder& into,
                                                 const std::string& name, const CopyOptions& options) const
{
    return copyItemTree(*io_, source, into.descriptor(), name, options);
}

FsResult<void> PosixFileSystem::verifyCopy(const fs::path& source, const HeldFolder& into, const std::string& name,
                                           const CopyManifest& manifest, CopyCheck check, std::stop_token stop,
                                           ByteCounter verified) const
{
    return verifyItemCopy(*io_, source, into.descriptor(), name, into.path() / name, manifest, check, std::move(stop),
                          std::move(verified));
}

DriveAccess PosixFileSystem::driveAccess(const HeldFolder& folder) const
{
    return driveAccessOf(*io_, folder.descriptor());
}

RemountResult PosixFileSystem::remountDrive(const DriveAccess& drive, bool readOnly) const
{
    return remountOwn(drive, readOnly);
}

FsResult<void> PosixFileSystem::claimDrive(const HeldFolder& folder, DriveClaim& claim) const
{
    return claimDriveOf(*io_, folder.descriptor(), folder.path(), claim);
}

FsResult<void> PosixFileSystem::flushCopy(const HeldFolder& into, const std::string& name) const
{
    return ::flushCopy(*io_, into.descriptor(), name, into.path() / name);
}

FsResult<void> PosixFileSystem::renameCopy(const HeldFolder& into, const std::string& from, const std::string& to) const
{
    if (const int error = renameNoReplace(*io_, into.descriptor(), from.c_str(), into.descriptor(), to.c_str()))
        return FsError{error, into.path() / to};
    return {};
}

FsResult<void> PosixFileSystem::removeUnfinishedCopy(const HeldFolder& into, const std::string& name) const
{
    if (const int error = removeUnfinishedCopyAt(*io_, into.descriptor(), name))
        return FsError{error, into.path() / name};
    return {};
}

bool PosixFileSystem::removeEmptyFolder(const HeldFolder& folder) const
{
    auto anchor = PathAnchor::resolve(*io_, folder.path());
    if (!anchor)
        return false;
    struct stat st;
    if (io_->statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(st.st_mode) || st.st_dev != folder.device() || st.st_ino != folder.inode())
        return false;
    // The kernel refuses a folder that holds anything.
    return io_->unlinkAt(anchor.value().directory(), anchor.value().name(), AT_REMOVEDIR) == 0;
}

FsResult<fs::path> PosixFileSystem::trashItem(const fs::path& item, const CopyManifest& copied) const
{
    return moveToTrash(*io_, item, TrashEnvironment::current(homeDirectory()), &copied);
}

FsResult<void> PosixFileSystem::restoreFromTrash(const fs::path& trashed, const fs::path& original,
                                                 const HeldFolder& into, const std::string& name) const
{
    return ::restoreFromTrash(*io_, trashed, original, into, name);
}

bool PosixFileSystem::startAccessing(const fs::path&)
{
    return true;
}

void PosixFileSystem::stopAccessing(const fs::path&) {}

FsResult<CopyManifest> PosixFileSystem::recordItem(const fs::path& source, const CopyOptions& options) const
{
    return recordItemTree(*io_, source, options);
}

std::optional<std::int64_t> PosixFileSystem::timeTolerance(const HeldFolder& folder) const
{
    return probeTimeTolerance(*io_, folder.descriptor());
}

FsResult<std::vector<DirectoryEntry>> PosixFileSystem::folderEntries(const HeldFolder& folder) const
{
    // A descriptor of its own: the held one's position is shared.
    UniqueFd fd(io_->openAt(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FsError{errno, folder.path()};
    std::error_code error;
    std::vector<DirectoryEntry> entries = allEntries(*io_, fd.get(), error);
    if (error)
        return FsError{error, folder.path()};
    return entries;
}

bool PosixFileSystem::looksLikeCopy(const fs::path& source, const HeldFolder& folder, const std::string& name,
                                    std::int64_t timeToleranceNs, std::stop_token stop) const
{
    return sameLayout(*io_, source, folder.descriptor(), name, timeToleranceNs, std::move(stop));
}

FsResult<void> PosixFileSystem::claimRunFolder(const HeldFolder& folder) const
{
    // Shared: two runs that started in the same second write into one
    // folder. Waits out another process's momentary look.
    while (io_->lockFile(folder.descriptor(), LOCK_SH) != 0) {
        if (errno != EINTR)
            return FsError{errno, folder.path()};
    }
    return {};
}

bool PosixFileSystem::runFolderClaimed(const HeldFolder& folder) const
{
    UniqueFd fd(io_->openAt(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Closing the descriptor lets go of a lock taken here.
    return !fd.valid() || io_->lockFile(fd.get(), LOCK_EX | LOCK_NB) != 0;
}
