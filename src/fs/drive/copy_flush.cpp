#include "fs/drive/copy_flush.h"

#include "fs/drive/mount_table.h"
#include "fs/drive/user_space_driver.h"
#include "fs/entries/entry_support.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace fs = std::filesystem;

namespace {

// fsyncs every file and folder of a copy on a FUSE drive, or only its
// first file where that flushes the whole volume.
class FuseFlush {
public:
    FuseFlush(const SystemIo& io, bool fileFlushesVolume) : io_(io), fileFlushesVolume_(fileFlushesVolume) {}

    bool volumeFlushed() const { return volumeFlushed_; }

    // Where it failed, as a path inside the copy, with the error.
    std::optional<FsError> entry(int directory, const char* name, const std::string& relative)
    {
        if (volumeFlushed_)
            return std::nullopt;
        struct stat st;
        if (io_.statAt(directory, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FsError{systemError(errno), {}, relative};
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            return std::nullopt;
        const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (S_ISDIR(st.st_mode) ? O_DIRECTORY : 0);
        UniqueFd fd(io_.openAt(directory, name, flags));
        if (!fd.valid())
            return FsError{systemError(errno), {}, relative};
        if (S_ISDIR(st.st_mode)) {
            std::error_code listError;
            for (const DirectoryEntry& child : allEntries(io_, fd.get(), listError)) {
                if (auto failed = entry(fd.get(), child.name.c_str(), joinRelative(relative, child.name)))
                    return failed;
            }
            if (listError)
                return FsError{listError, {}, relative};
            if (volumeFlushed_)
                return std::nullopt;
        }
        if (io_.fsync(fd.get()) != 0)
            return FsError{writingError(errno), {}, relative};
        if (S_ISREG(st.st_mode) && fileFlushesVolume_)
            volumeFlushed_ = true;
        return std::nullopt;
    }

private:
    const SystemIo& io_;
    bool fileFlushesVolume_;
    bool volumeFlushed_ = false;
};

} // namespace

FsResult<void> flushCopy(const SystemIo& io, int parent, const std::string& name, const fs::path& target)
{
    struct statfs info;
    struct stat status;
    const std::optional<long> type =
        io.statFileSystem(parent, &info) == 0 ? std::optional<long>(long(info.f_type)) : std::nullopt;
    const std::optional<MountEntry> mount = io.stat(parent, &status) == 0 ? mountOfDevice(status.st_dev) : std::nullopt;
    if (!servedInUserSpace(type, mount)) {
        // Writes back the whole drive, and reports any write-back error it
        // had since `parent` was opened.
        if (io.syncFileSystem(parent) != 0 || io.fsync(parent) != 0)
            return FsError{writingError(errno), target};
        return {};
    }
    FuseFlush flush(io, mount && mount->type == "fuseblk");
    if (auto failed = flush.entry(parent, name.c_str(), {})) {
        failed->path = failed->relativePath.empty() ? target : target / failed->relativePath;
        return *failed;
    }
    if (!flush.volumeFlushed() && io.fsync(parent) != 0)
        return FsError{writingError(errno), target};
    return {};
}
