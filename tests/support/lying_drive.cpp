#include "support/lying_drive.h"

#include "support/run_tool.h"

#include <QStandardPaths>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QString text(const fs::path& p)
{
    return QString::fromStdString(p.native());
}

} // namespace

LyingDrive::LyingDrive(const fs::path& work, int storedMegabytes, int claimedMegabytes)
    : backing_(work / "stick.img"), fuseFolder_(work / "stick"), point_(work / "stick-drive")
{
#ifndef LOFTWELL_LYING_DISK
    why_ = "built without libfuse3";
    return;
#else
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = "needs root and /dev/fuse";
        return;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4")).isEmpty()) {
        why_ = "mkfs.ext4 is not installed";
        return;
    }
    fs::create_directories(fuseFolder_);
    fs::create_directories(point_);
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
    // Direct I/O: the loop device's reads and writes reach the stick itself,
    // not a cache of it.
    if (!fs::exists(disk) ||
        !runTool(QStringLiteral("losetup"),
                 {QStringLiteral("-f"), QStringLiteral("--show"), QStringLiteral("--direct-io=on"), text(disk)},
                 &device) ||
        device.isEmpty()) {
        why_ = "could not serve the stick through FUSE and a loop device";
        return;
    }
    device_ = device.toStdString();
    // Every record of the file system below the real capacity, or it would
    // not even mount: what such a stick does to data is what is tried here.
    // So the journal low, 4 KiB blocks (two groups, whose tables flex_bg
    // keeps at the start), no backup superblocks, and the inode tables
    // written now rather than by the kernel in the background after mount,
    // which a wrap would spread over the first group's records.
    const QString journal = QStringLiteral("location=%1M").arg(storedMegabytes / 4);
    if (!runTool(QStringLiteral("mkfs.ext4"),
                 {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-b"), QStringLiteral("4096"),
                  QStringLiteral("-O"), QStringLiteral("sparse_super2"), QStringLiteral("-E"),
                  QStringLiteral("num_backup_sb=0,lazy_itable_init=0,lazy_journal_init=0"), QStringLiteral("-J"),
                  journal, device}) ||
        ::mount(device_.c_str(), point_.c_str(), "ext4", 0, nullptr) != 0) {
        why_ = "could not format and mount the stick";
        return;
    }
    mounted_ = true;
#endif
}

LyingDrive::~LyingDrive()
{
    if (mounted_)
        ::umount2(point_.c_str(), MNT_DETACH);
    if (!device_.empty())
        runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), QString::fromStdString(device_)});
    if (daemon_ > 0) {
        ::umount2(fuseFolder_.c_str(), MNT_DETACH);
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

std::string readFromDrive(const fs::path& file)
{
    constexpr std::size_t block = 1024 * 1024;
    const int fd = ::open(file.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> buffer(static_cast<char*>(std::aligned_alloc(4096, block)));
    std::string bytes;
    ssize_t n;
    while ((n = ::read(fd, buffer.get(), block)) > 0)
        bytes.append(buffer.get(), std::size_t(n));
    ::close(fd);
    return n < 0 ? std::string() : bytes;
}
