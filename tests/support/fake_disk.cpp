#include "support/fake_disk.h"

#include "support/run_tool.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

FakeDisk::FakeDisk(const fs::path& work, int storedMegabytes, int claimedMegabytes)
    : backing_(work / "stick.img"), fuseFolder_(work / "stick")
{
#ifndef LOFTWELL_LYING_DISK
    why_ = "built without libfuse3";
    (void)storedMegabytes;
    (void)claimedMegabytes;
#else
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = "needs root and /dev/fuse";
        return;
    }
    fs::create_directories(fuseFolder_);
    std::ofstream(backing_).close();
    fs::resize_file(backing_, std::uintmax_t(storedMegabytes) * 1024 * 1024);
    const std::string claimed = std::to_string(std::int64_t(claimedMegabytes) * 1024 * 1024);
    daemon_ = ::fork();
    if (daemon_ == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(LOFTWELL_LYING_DISK, "lying_disk", backing_.c_str(), claimed.c_str(), fuseFolder_.c_str(), nullptr);
        ::_exit(127);
    }
    const fs::path disk = fuseFolder_ / "disk";
    for (int i = 0; i < 500 && !fs::exists(disk); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    QString device;
    if (!fs::exists(disk) ||
        !runTool(QStringLiteral("losetup"),
                 {QStringLiteral("-f"), QStringLiteral("--show"), QStringLiteral("--direct-io=on"),
                  QString::fromStdString(disk.native())},
                 &device) ||
        device.isEmpty()) {
        why_ = "could not serve the disk through FUSE and a loop device";
        return;
    }
    device_ = device.toStdString();
#endif
}

FakeDisk::~FakeDisk()
{
    if (!device_.empty())
        runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), QString::fromStdString(device_)});
    if (daemon_ > 0) {
        ::umount2(fuseFolder_.c_str(), MNT_DETACH);
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

void FakeDisk::setMode(const std::string& mode) const
{
    std::ofstream(fuseFolder_ / "mode") << mode;
}

long long FakeDisk::bytesRead() const
{
    long long read = -1, written = -1;
    std::ifstream(fuseFolder_ / "counters") >> read >> written;
    return read;
}

long long FakeDisk::bytesWritten() const
{
    long long read = -1, written = -1;
    std::ifstream(fuseFolder_ / "counters") >> read >> written;
    return written;
}
