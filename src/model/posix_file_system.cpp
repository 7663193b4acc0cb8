#include "model/posix_file_system.h"

#include "model/freedesktop_trash.h"
#include "model/path_anchor.h"
#include "model/tree_size.h"
#include "model/unique_fd.h"

#include <QByteArray>
#include <QStorageInfo>
#include <QString>

#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

FsResult<struct stat> statNoFollow(const fs::path& path)
{
    auto anchor = PathAnchor::resolve(path);
    if (!anchor)
        return anchor.error();
    struct stat st;
    if (::fstatat(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FsError{errno, path};
    return st;
}

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
    auto anchor = PathAnchor::resolve(directory);
    if (!anchor)
        return anchor.error();
    // A link to a folder lists that folder: a folder the user chose may well
    // be reached through a link (a Downloads folder moved to another disk).
    UniqueFd fd(::openat(anchor.value().directory(), anchor.value().name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FsError{errno, directory};

    std::vector<DirectoryEntry> entries;
    std::array<char, 32 * 1024> buffer;
    const int error = forEachDirectoryEntry(fd.get(), buffer, [&](const RawDirectoryEntry& entry) {
        if (!isHiddenName(entry.name))
            entries.push_back({std::string(entry.name), entry.type});
    });
    if (error != 0)
        return FsError{error, directory};
    return entries;
}

FsResult<ItemValues> PosixFileSystem::itemValues(const fs::path& item) const
{
    auto st = statNoFollow(item);
    if (!st)
        return st.error();
    ItemValues values;
    values.type = itemTypeOf(st.value().st_mode);
    values.allocatedBytes = std::int64_t(st.value().st_blocks) * 512;
    values.length = std::int64_t(st.value().st_size);
    return values;
}

std::int64_t PosixFileSystem::treeSize(const fs::path& folder, const std::atomic<bool>* stop) const
{
    return measureTreeSize(folder, 2, stop);
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
    }
    // A name that is not valid UTF-8 cannot reach QStorageInfo; the free
    // space is still there to be had from the kernel.
    if (!values.availableBytes) {
        auto anchor = PathAnchor::resolve(folder);
        if (anchor) {
            UniqueFd fd(::openat(anchor.value().directory(), anchor.value().name(),
                                 O_PATH | O_DIRECTORY | O_CLOEXEC));
            struct statvfs sv;
            if (fd.valid() && ::fstatvfs(fd.get(), &sv) == 0)
                values.availableBytes = std::int64_t(sv.f_bavail) * std::int64_t(sv.f_frsize);
        }
    }
    return values;
}

FsResult<void> PosixFileSystem::createDirectories(const fs::path& folder) const
{
    const std::string& native = folder.native();
    if (native.empty())
        return FsError{ENOENT, folder};

    // One component at a time from the root, so any depth works and an
    // existing file in the way is reported rather than taken for a folder.
    UniqueFd current(::open(native.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid())
        return FsError{errno, folder};
    std::string::size_type start = 0;
    while (start < native.size()) {
        std::string::size_type slash = native.find('/', start);
        if (slash == std::string::npos)
            slash = native.size();
        if (slash > start) {
            const std::string component(native, start, slash - start);
            if (::mkdirat(current.get(), component.c_str(), 0777) != 0 && errno != EEXIST)
                return FsError{errno, fs::path(native.substr(0, slash))};
            UniqueFd next(::openat(current.get(), component.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!next.valid())
                return FsError{errno, fs::path(native.substr(0, slash))};
            current = std::move(next);
        }
        start = slash + 1;
    }
    return {};
}

bool PosixFileSystem::exists(const fs::path& path) const
{
    auto st = statNoFollow(path);
    if (st)
        return true;
    const int code = st.error().code;
    return code != ENOENT && code != ENOTDIR;
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

FsResult<CopyManifest> PosixFileSystem::copyItem(const fs::path& source, const fs::path& target,
                                                 const CopyOptions& options) const
{
    return copyItemTree(source, target, options);
}

FsResult<void> PosixFileSystem::verifyCopy(const fs::path& source, const fs::path& target, const CopyManifest& manifest,
                                           bool compareContents, const std::atomic<bool>* stop) const
{
    return verifyItemCopy(source, target, manifest, compareContents, stop);
}

FsResult<fs::path> PosixFileSystem::trashItem(const fs::path& item, std::optional<ItemIdentity> expected) const
{
    return moveToTrash(item, TrashEnvironment::current(homeDirectory()), expected);
}

bool PosixFileSystem::startAccessing(const fs::path&)
{
    accessStarts_.fetch_add(1);
    return true;
}

void PosixFileSystem::stopAccessing(const fs::path&)
{
    accessStops_.fetch_add(1);
}
