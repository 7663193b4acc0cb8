#include "fs/drive/drive_lock.h"

#include "fs/drive/device_users.h"
#include "fs/drive/drive_cache.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

// Where the locks of a drive are: a drive that runs may unmount is held
// in the system's lock folder, where every user's runs see it (root's run
// remounting a stick another user's run writes to); the others in the
// user's runtime folder.
fs::path lockFolder(bool everyUser)
{
    struct stat st;
    const auto isFolder = [&](const char* path) {
        return path && path[0] == '/' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) && ::access(path, W_OK) == 0;
    };
    if (everyUser && isFolder("/run/lock"))
        return "/run/lock";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); isFolder(runtime))
        return runtime;
    return isFolder("/run/lock") ? "/run/lock" : "/tmp";
}

// A mount point's key: FNV-1a of its bytes, the same in every process.
std::string pointKey(const fs::path& point)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : point.native())
        hash = (hash ^ std::uint8_t(c)) * 0x100000001b3ull;
    char text[40];
    std::snprintf(text, sizeof text, "point-%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The lock file of `key`, opened (made where missing); read-only is enough
// for flock, and lets a lock another user made be opened.
UniqueFd openLock(const SystemIo& io, const std::string& key, bool everyUser, bool make = true)
{
    const fs::path file = lockFolder(everyUser) / ("loftwell-" + key + ".lock");
    constexpr int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFd fd(io.openAt(AT_FDCWD, file.c_str(), flags));
        if (fd.valid() || errno != ENOENT || !make)
            return fd;
        fd.reset(io.openAt(AT_FDCWD, file.c_str(), flags | O_CREAT | O_EXCL, 0644));
        if (fd.valid() || errno != EEXIST)
            return fd;
    }
    return {};
}

// True when another process holds `key` (a look: no lock file is made).
bool heldElsewhere(const SystemIo& io, const std::string& key)
{
    UniqueFd fd = openLock(io, key, true, false);
    return fd.valid() && io.lockFile(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// Takes `key` into `claim`; false when another process holds it. A lock
// that cannot be made at all does not stop the run.
bool take(const SystemIo& io, const std::string& key, bool everyUser, DriveClaim& claim)
{
    if (claim.holds(key))
        return true;
    UniqueFd fd = openLock(io, key, everyUser);
    if (!fd.valid())
        return true;
    if (io.lockFile(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    claim.add(key, std::move(fd));
    return true;
}

} // namespace

FsResult<void> claimDriveOf(const SystemIo& io, int folder, const fs::path& path, DriveClaim& claim)
{
    struct stat st;
    if (io.stat(folder, &st) != 0)
        return FsError{errno, path};
    const DriveAccess drive = driveAccessOf(io, folder);
    const dev_t device =
        drive.userSpaceDriver && blockDeviceNumber(drive.device) != 0 ? blockDeviceNumber(drive.device) : st.st_dev;
    // A folder where another run's drive belongs, while that drive is away.
    for (fs::path above = path; !above.empty(); above = above.parent_path()) {
        if (above != drive.mountPoint && !claim.holds(pointKey(above)) && heldElsewhere(io, pointKey(above)))
            return FsError{FsErrc::driveInUse, path};
        if (above == above.parent_path())
            break;
    }
    const std::string driveKey = "drive-" + std::to_string(major(device)) + "-" + std::to_string(minor(device));
    if (!take(io, driveKey, drive.userSpaceDriver, claim))
        return FsError{FsErrc::driveInUse, path};
    if (drive.userSpaceDriver && !drive.mountPoint.empty() && !take(io, pointKey(drive.mountPoint), true, claim))
        return FsError{FsErrc::driveInUse, path};
    return {};
}
