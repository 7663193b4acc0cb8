#include "fs/drive/drive_cache.h"

#include "fs/drive/mount_table.h"
#include "fs/drive/user_space_driver.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

DriveAccess driveAccessOf(const SystemIo& io, int folder)
{
    struct stat st;
    struct statfs info;
    if (io.stat(folder, &st) != 0 || io.statFileSystem(folder, &info) != 0)
        return DriveAccess{true, {}, {}};
    const std::optional<MountEntry> mount = mountOfDevice(st.st_dev);
    const bool userSpace = servedInUserSpace(long(info.f_type), mount);
    if (!mount)
        return DriveAccess{userSpace, {}, {}};
    DriveAccess access{userSpace, mount->point, {}, (info.f_flags & ST_RDONLY) != 0};
    if (mount->source.starts_with('/'))
        access.device = mount->source;
    return access;
}

int dropBlockDeviceCache(const SystemIo& io, const std::filesystem::path& device)
{
    UniqueFd fd(io.openAt(AT_FDCWD, device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return errno;
    struct stat st;
    if (io.stat(fd.get(), &st) != 0)
        return errno;
    if (!S_ISBLK(st.st_mode))
        return ENOTBLK;
    // Dirty pages are not dropped: what the driver wrote goes out first.
    if (io.fsync(fd.get()) != 0)
        return errno;
    return io.fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
}
