#include "fs/drive/device_users.h"

#include "fs/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Calls `visit(pid folder, entry)` for every open file of every process
// but this one that can be looked into, and for its working directory and
// root; `visit` returns true once the process is known to use what is
// looked for.
std::vector<pid_t> processesWhere(const std::function<bool(int procFolder, const char* entry)>& visit)
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    const std::string self = std::to_string(::getpid());
    while (const dirent* process = ::readdir(proc)) {
        if (!std::all_of(process->d_name, process->d_name + std::strlen(process->d_name), ::isdigit) ||
            self == process->d_name)
            continue;
        UniqueFd folder(::openat(::dirfd(proc), process->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.valid())
            continue;
        bool uses = visit(folder.get(), "cwd") || visit(folder.get(), "root");
        UniqueFd fds(::openat(folder.get(), "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        DIR* open = fds.valid() ? ::fdopendir(fds.get()) : nullptr;
        if (open)
            fds.release(); // the stream has it now
        while (open && !uses) {
            const dirent* entry = ::readdir(open);
            if (!entry)
                break;
            if (entry->d_name[0] != '.')
                uses = visit(::dirfd(open), entry->d_name);
        }
        if (open)
            ::closedir(open);
        if (uses)
            found.push_back(pid_t(std::atoi(process->d_name)));
    }
    ::closedir(proc);
    return found;
}

// The stat line of `process` past its name ("S ppid ..."), which may hold
// spaces and parentheses; empty where the process is gone.
std::string statAfterName(pid_t process)
{
    std::ifstream in("/proc/" + std::to_string(process) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 4 >= line.size())
        return {};
    return line.substr(close + 2);
}

// The parent of `process`; 0 where unknown.
pid_t parentOf(pid_t process)
{
    const std::string rest = statAfterName(process);
    return rest.size() > 2 ? pid_t(std::atoi(rest.c_str() + 2)) : 0;
}

// A process that ended but was not yet reaped holds nothing open: where
// nothing reaps orphans (a container's first process), a driver that went
// into the background stays such a zombie for good.
bool running(pid_t process)
{
    const std::string rest = statAfterName(process);
    return !rest.empty() && rest[0] != 'Z' && rest[0] != 'X';
}

// This process and those it runs under: each names the drive when it was
// given on a command line ("--to /media/STICK", a "time" before it), and
// none can end before this one does.
std::vector<pid_t> selfAndAncestors()
{
    std::vector<pid_t> chain{::getpid()};
    for (pid_t parent = ::getppid(); parent > 1 && chain.size() < 64; parent = parentOf(parent))
        chain.push_back(parent);
    return chain;
}

} // namespace

std::string programNames(const std::vector<pid_t>& processes)
{
    std::vector<std::string> names;
    for (const pid_t process : processes) {
        std::string name;
        std::ifstream("/proc/" + std::to_string(process) + "/comm") >> name;
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::vector<pid_t> deviceHolderProcesses(dev_t device)
{
    if (device == 0)
        return {};
    return processesWhere([device](int folder, const char* entry) {
        struct stat st;
        return std::strcmp(entry, "cwd") != 0 && std::strcmp(entry, "root") != 0 &&
               ::fstatat(folder, entry, &st, 0) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device;
    });
}

std::string deviceHolders(dev_t device)
{
    return programNames(deviceHolderProcesses(device));
}

std::string waitForDeviceClosed(dev_t device, std::chrono::milliseconds within)
{
    const auto until = std::chrono::steady_clock::now() + within;
    while (true) {
        std::string holders = deviceHolders(device);
        if (holders.empty() || std::chrono::steady_clock::now() >= until)
            return holders;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string mountUsers(const fs::path& mountPoint)
{
    const std::string point = mountPoint.native();
    return programNames(processesWhere([&point](int folder, const char* entry) {
        char target[4096];
        const ssize_t n = ::readlinkat(folder, entry, target, sizeof target);
        if (n <= 0 || std::size_t(n) >= sizeof target)
            return false;
        const std::string_view path(target, std::size_t(n));
        return path == point || (path.starts_with(point) && path.size() > point.size() && path[point.size()] == '/');
    }));
}

std::vector<pid_t> processesNaming(const fs::path& mountPoint)
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    const std::vector<pid_t> ours = selfAndAncestors();
    while (const dirent* process = ::readdir(proc)) {
        const std::string pid = process->d_name;
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit) ||
            std::find(ours.begin(), ours.end(), pid_t(std::atoi(pid.c_str()))) != ours.end())
            continue;
        std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
        std::string argument;
        while (std::getline(in, argument, '\0')) {
            if (argument == mountPoint.native()) {
                found.push_back(pid_t(std::atoi(pid.c_str())));
                break;
            }
        }
    }
    ::closedir(proc);
    return found;
}

bool waitForExit(const std::vector<pid_t>& processes, std::chrono::milliseconds within)
{
    const auto until = std::chrono::steady_clock::now() + within;
    while (true) {
        const bool alive = std::any_of(processes.begin(), processes.end(), running);
        if (!alive)
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

dev_t blockDeviceNumber(const fs::path& device)
{
    struct stat st;
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return 0;
    return st.st_rdev;
}
