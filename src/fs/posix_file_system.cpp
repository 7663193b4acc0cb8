#include "fs/posix_file_system.h"

#include "fs/copy_verifier.h"
#include "fs/directory_reader.h"
#include "fs/freedesktop_trash.h"
#include "fs/item_copier.h"
#include "fs/make_directories.h"
#include "fs/path_anchor.h"
#include "fs/tree_size.h"
#include "fs/unique_fd.h"
#include "model/path_ops.h"

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

FsResult<struct stat> statNoFollow(const SystemIo& io, const fs::path& path)
{
    auto anchor = PathAnchor::resolve(io, path);
    if (!anchor)
        return anchor.error();
    struct stat st;
    if (io.statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
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
    return values;
}

std::int64_t PosixFileSystem::treeSize(const fs::path& folder, std::stop_token stop) const
{
    return measureTreeSize(*io_, folder, 2, std::move(stop));
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
        auto anchor = PathAnchor::resolve(*io_, folder);
        if (anchor) {
            UniqueFd fd(io_->openAt(anchor.value().directory(), anchor.value().name(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            struct statvfs sv;
            if (fd.valid() && ::fstatvfs(fd.get(), &sv) == 0)
                values.availableBytes = std::int64_t(sv.f_bavail) * std::int64_t(sv.f_frsize);
        }
    }
    return values;
}

FsResult<void> PosixFileSystem::createDirectories(const fs::path& folder) const
{
    return makeDirectories(*io_, folder);
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
    return copyItemTree(*io_, source, target, options);
}

FsResult<void> PosixFileSystem::verifyCopy(const fs::path& source, const fs::path& target, const CopyManifest& manifest,
                                           bool compareContents, std::stop_token stop) const
{
    return verifyItemCopy(*io_, source, target, manifest, compareContents, std::move(stop));
}

FsResult<fs::path> PosixFileSystem::trashItem(const fs::path& item, std::optional<ItemIdentity> expected) const
{
    return moveToTrash(*io_, item, TrashEnvironment::current(homeDirectory()), expected);
}

bool PosixFileSystem::startAccessing(const fs::path&)
{
    return true;
}

void PosixFileSystem::stopAccessing(const fs::path&)
{
}
