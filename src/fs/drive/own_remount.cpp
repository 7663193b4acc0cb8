#include "fs/drive/own_remount.h"

#include "fs/drive/device_users.h"
#include "fs/drive/mount_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Outcome = RemountResult::Outcome;

// The driver that serves the drive: a process holding its device whose
// command names the mount point. Its program and arguments.
struct DriverCommand {
    std::string program;
    std::vector<std::string> arguments;
};

std::optional<DriverCommand> driverOf(dev_t device, const fs::path& point)
{
    for (const pid_t process : deviceHolderProcesses(device)) {
        const std::string folder = "/proc/" + std::to_string(process);
        // Only a driver root started is run again as root.
        struct stat owner;
        if (::stat(folder.c_str(), &owner) != 0 || owner.st_uid != 0)
            continue;
        std::ifstream in(folder + "/cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        DriverCommand command;
        for (std::size_t at = 0; at < line.size();) {
            const std::size_t end = std::min(line.find('\0', at), line.size());
            command.arguments.push_back(line.substr(at, end - at));
            at = end + 1;
        }
        if (std::find(command.arguments.begin(), command.arguments.end(), point.native()) == command.arguments.end())
            continue;
        char exe[4096];
        const ssize_t n = ::readlink((folder + "/exe").c_str(), exe, sizeof exe - 1);
        command.program = n > 0 ? std::string(exe, std::size_t(n)) : command.arguments.front();
        if (command.program.ends_with(" (deleted)"))
            command.program = command.arguments.front();
        return command;
    }
    return std::nullopt;
}

// Read-only is asked for with a last "-o ro", which every FUSE driver's
// options take; the same two words at the end are dropped to mount it as
// before.
std::vector<std::string> withAccess(std::vector<std::string> arguments, bool readOnly)
{
    const bool endsReadOnly =
        arguments.size() >= 2 && arguments[arguments.size() - 2] == "-o" && arguments.back() == "ro";
    if (readOnly && !endsReadOnly) {
        arguments.push_back("-o");
        arguments.push_back("ro");
    } else if (!readOnly && endsReadOnly) {
        arguments.resize(arguments.size() - 2);
    }
    return arguments;
}

// Runs the driver and waits until it has mounted `device` at `point`
// (drivers go to the background once mounted), or gave up.
bool runDriver(const DriverCommand& command, dev_t device, const fs::path& point)
{
    std::vector<char*> argv;
    for (const std::string& argument : command.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    // A session of its own: the driver serves the drive after this program
    // ends, and a Ctrl+C meant for this program must not reach it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, command.program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    const auto mounted = [&] {
        const std::optional<MountEntry> now = mountAt(point);
        return now && blockDeviceNumber(now->source) == device;
    };
    bool exited = false;
    for (int waited = 0; waited < 60'000; waited += 20) {
        int status = 0;
        if (!exited && ::waitpid(child, &status, WNOHANG) == child)
            exited = true;
        if (mounted())
            break;
        if (exited)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // One that goes to the background ends its first process now; one that
    // stays in the foreground is left running: it serves the drive.
    for (int waited = 0; !exited && waited < 1000; waited += 20) {
        int status = 0;
        exited = ::waitpid(child, &status, WNOHANG) == child;
        if (!exited)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return mounted();
}

} // namespace

RemountResult remountOwn(const DriveAccess& drive, bool readOnly)
{
    const dev_t device = blockDeviceNumber(drive.device);
    if (::geteuid() != 0 || !drive.userSpaceDriver || drive.mountPoint.empty() || device == 0)
        return {};
    const std::optional<DriverCommand> driver = driverOf(device, drive.mountPoint);
    if (!driver)
        return {};
    DriverCommand again{driver->program, withAccess(driver->arguments, readOnly)};
    const std::vector<pid_t> drivers = processesNaming(drive.mountPoint);
    if (::umount2(drive.mountPoint.c_str(), 0) != 0) {
        if (errno == EBUSY)
            return {Outcome::busy, {}, mountUsers(drive.mountPoint)};
        return {Outcome::refused, {}, {}};
    }
    // The driver lets go of the device as it ends (a new one cannot open
    // it before: a loaded machine may take seconds); anything else that
    // still holds it keeps the kernel's cache of it.
    (void)waitForExit(drivers, std::chrono::seconds(20));
    const std::string holders = waitForDeviceClosed(device, std::chrono::seconds(5));
    if (!runDriver(again, device, drive.mountPoint))
        return {Outcome::notMountedBack, {}, {}};
    if (!holders.empty())
        return {Outcome::deviceHeld, drive.mountPoint, holders};
    return {Outcome::remounted, drive.mountPoint, {}};
}
