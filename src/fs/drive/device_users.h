#pragma once
// Who holds a drive: the programs with its block device open, and those
// with a file, a folder or their working directory on its file system.
// Read from /proc, where a program sees only the processes it may look
// into: all of them as root, its own user's otherwise.

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

// The processes other than this one that have the block device `device`
// (a stat's st_rdev) open.
std::vector<pid_t> deviceHolderProcesses(dev_t device);

// The names of the programs other than this one that have the block device
// `device` (a stat's st_rdev) open, ", " between them; "" for none seen.
std::string deviceHolders(dev_t device);

// Waits up to `within` for every other program to close the device; who
// still holds it then ("" once none does).
std::string waitForDeviceClosed(dev_t device, std::chrono::milliseconds within);

// The names of the programs using something at or below `mountPoint`.
std::string mountUsers(const std::filesystem::path& mountPoint);

// The names of `processes`' programs, each once, ", " between them.
std::string programNames(const std::vector<pid_t>& processes);

// The processes whose command line names `mountPoint` as an argument: the
// driver serving a drive there, readable whoever runs it (its open files
// are not, for another user's process). Never this process or one it runs
// under, which name it too when given it, and cannot end before it.
std::vector<pid_t> processesNaming(const std::filesystem::path& mountPoint);

// Waits up to `within` for all of `processes` to end; true once they have.
bool waitForExit(const std::vector<pid_t>& processes, std::chrono::milliseconds within);

// The device number of the block device at `device`; 0 where it is none.
dev_t blockDeviceNumber(const std::filesystem::path& device);
