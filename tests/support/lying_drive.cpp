#include "support/lying_drive.h"

#include "support/run_tool.h"

#include <QStandardPaths>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

LyingDrive::LyingDrive(const fs::path& work, int storedMegabytes, int claimedMegabytes)
    : disk_(work, storedMegabytes, claimedMegabytes), point_(work / "stick-drive")
{
    if (!disk_.attached()) {
        why_ = disk_.why();
        return;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4")).isEmpty()) {
        why_ = "mkfs.ext4 is not installed";
        return;
    }
    fs::create_directories(point_);
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
                  journal, QString::fromStdString(disk_.device())}) ||
        ::mount(disk_.device().c_str(), point_.c_str(), "ext4", 0, nullptr) != 0) {
        why_ = "could not format and mount the stick";
        return;
    }
    mounted_ = true;
}

LyingDrive::~LyingDrive()
{
    if (mounted_)
        ::umount2(point_.c_str(), MNT_DETACH);
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
