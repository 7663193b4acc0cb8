#include "support/drive_image.h"

#include "support/run_tool.h"

#include <QStandardPaths>
#include <QStringList>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool isMounted(const fs::path& point)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    const std::string needle = " " + point.native() + " ";
    while (std::getline(table, line)) {
        if (line.find(needle) != std::string::npos)
            return true;
    }
    return false;
}

QString path(const fs::path& p)
{
    return QString::fromStdString(p.native());
}

// Starts the driver in the foreground (so its process is ours to end),
// with its chatter sent nowhere.
pid_t startDriver(const std::vector<std::string>& command)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

bool waitForExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

const char* driverName(DriveKind kind)
{
    return kind == DriveKind::exfat ? "mount.exfat-fuse" : kind == DriveKind::fat32 ? "fusefat" : "ntfs-3g";
}

} // namespace

const char* driveKindName(DriveKind kind)
{
    switch (kind) {
    case DriveKind::exfat: return "exFAT";
    case DriveKind::fat32: return "FAT32";
    case DriveKind::ntfs: return "NTFS";
    }
    return "?";
}

DriveImage::DriveImage(DriveKind kind, const fs::path& workFolder, int megabytes, const std::string& label)
    : image_(workFolder / (std::string(driveKindName(kind)) + ".img")),
      mountPoint_(workFolder / (std::string(driveKindName(kind)) + "-drive"))
{
    const char* format = kind == DriveKind::exfat ? "mkfs.exfat" : kind == DriveKind::fat32 ? "mkfs.vfat" : "mkntfs";
    const char* driver = driverName(kind);
    if (::geteuid() != 0) {
        skipReason_ = "needs root to attach and mount a drive image";
        return;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        skipReason_ = "no /dev/fuse here";
        return;
    }
    for (const char* tool : {format, driver, "losetup"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            skipReason_ = std::string(tool) + " is not installed";
            return;
        }
    }
    fs::create_directories(mountPoint_);
    {
        std::ofstream(image_).close();
        fs::resize_file(image_, std::uintmax_t(megabytes) * 1024 * 1024);
    }
    const QStringList formatArguments =
        kind == DriveKind::exfat
            ? (label.empty() ? QStringList{path(image_)}
                             : QStringList{QStringLiteral("-L"), QString::fromStdString(label), path(image_)})
        : kind == DriveKind::fat32 ? QStringList{QStringLiteral("-F"), QStringLiteral("32"), path(image_)}
                                   : QStringList{QStringLiteral("-F"), QStringLiteral("-Q"), path(image_)};
    if (!runTool(QString::fromLatin1(format), formatArguments)) {
        skipReason_ = std::string(format) + " failed";
        return;
    }
    attachAndMount(kind, false);
}

DriveImage::DriveImage(DriveKind kind, const fs::path& existingImage, const fs::path& mountPoint)
    : image_(existingImage), mountPoint_(mountPoint)
{
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        skipReason_ = "needs root and /dev/fuse to mount a drive image";
        return;
    }
    fs::create_directories(mountPoint_);
    attachAndMount(kind, true);
}

void DriveImage::attachAndMount(DriveKind kind, bool readOnly)
{
    const char* driver = driverName(kind);
    QString device;
    QStringList attach{QStringLiteral("-f"), QStringLiteral("--show"), path(image_)};
    if (readOnly)
        attach.prepend(QStringLiteral("-r"));
    if (!runTool(QStringLiteral("losetup"), attach, &device) || device.isEmpty()) {
        skipReason_ = "no free loop device";
        return;
    }
    loopDevice_ = device.toStdString();
    const std::string point = mountPoint_.native();
    switch (kind) {
    case DriveKind::exfat:
        driver_ = readOnly ? startDriver({driver, "-d", "-o", "ro", loopDevice_, point})
                           : startDriver({driver, "-d", loopDevice_, point});
        break;
    case DriveKind::fat32:
        driver_ = startDriver({driver, "-f", "-o", readOnly ? "ro" : "rw+", loopDevice_, point});
        break;
    case DriveKind::ntfs:
        // An image taken from a mounted drive was not unmounted cleanly,
        // which ntfs-3g would otherwise mend first.
        driver_ = startDriver(
            {driver, "-o", readOnly ? "ro,norecover,no_detach" : "windows_names,no_detach", loopDevice_, point});
        break;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!isMounted(mountPoint_) && std::chrono::steady_clock::now() < end) {
        if (::waitpid(driver_, nullptr, WNOHANG) == driver_) {
            driver_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!isMounted(mountPoint_))
        skipReason_ = std::string(driver) + " did not mount the image";
}

void DriveImage::takeImage(const fs::path& to) const
{
    fs::copy_file(image_, to, fs::copy_options::overwrite_existing);
}

namespace {

// Figure `n` (1-based) of /sys/block/loopN/stat; -1 if unknown.
long long deviceStat(const std::string& device, int n)
{
    std::ifstream stat("/sys/block/" + fs::path(device).filename().native() + "/stat");
    long long figure = -1;
    for (int i = 0; i < n && stat >> figure; ++i) {
    }
    return stat ? figure : -1;
}

} // namespace

long long DriveImage::deviceFlushes() const
{
    return deviceStat(loopDevice_, 16); // completed flushes
}

long long DriveImage::bytesRead() const
{
    const long long sectors = deviceStat(loopDevice_, 3); // sectors read, of 512 bytes
    return sectors < 0 ? -1 : sectors * 512;
}

void DriveImage::pull()
{
    if (driver_ > 0) {
        ::kill(driver_, SIGKILL);
        waitForExit(driver_, std::chrono::seconds(10));
        driver_ = -1;
    }
}

DriveImage::~DriveImage()
{
    if (isMounted(mountPoint_))
        ::umount2(mountPoint_.c_str(), driver_ > 0 ? 0 : MNT_DETACH);
    if (driver_ > 0 && !waitForExit(driver_, std::chrono::seconds(10))) {
        ::kill(driver_, SIGKILL);
        waitForExit(driver_, std::chrono::seconds(5));
    }
    if (!loopDevice_.empty())
        runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), QString::fromStdString(loopDevice_)});
}
