#include "support/fuse_stick.h"

#include "support/run_tool.h"

#include <QStandardPaths>
#include <QStringList>

#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Where the device is mounted now, from this process's mount table.
std::vector<fs::path> mountsOf(const std::string& device)
{
    std::vector<fs::path> points;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        const std::size_t dash = line.find(" - ");
        std::istringstream head(line.substr(0, dash)), tail(dash == std::string::npos ? "" : line.substr(dash + 3));
        std::string id, parent, numbers, root, point, type, source;
        if (head >> id >> parent >> numbers >> root >> point && tail >> type >> source && source == device)
            points.emplace_back(point);
    }
    return points;
}

bool run(const std::vector<std::string>& command)
{
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i)
        arguments << QString::fromStdString(command[i]);
    return runTool(QString::fromStdString(command.front()), arguments);
}

} // namespace

FuseStick::FuseStick(DriveKind kind, const fs::path& work, int storedMegabytes, int claimedMegabytes,
                     const std::string& diskMode, const std::vector<std::string>& formatOptions)
    : kind_(kind), disk_(work, storedMegabytes, claimedMegabytes), point_(work / "stick-drive")
{
    if (!disk_.attached()) {
        why_ = disk_.why();
        return;
    }
    if (!diskMode.empty())
        disk_.setMode(diskMode);
    std::vector<std::string> format = kind == DriveKind::exfat ? std::vector<std::string>{"mkfs.exfat"}
                                                               : std::vector<std::string>{"mkntfs", "-F", "-Q"};
    format.insert(format.end(), formatOptions.begin(), formatOptions.end());
    format.push_back(disk_.device());
    const std::vector<std::string> mount = mountCommand(point_);
    if (kind == DriveKind::fat32 || QStandardPaths::findExecutable(QString::fromStdString(format[0])).isEmpty() ||
        QStandardPaths::findExecutable(QString::fromStdString(mount[0])).isEmpty()) {
        why_ = "needs mkfs.exfat and exfat-fuse, or mkntfs and ntfs-3g";
        return;
    }
    fs::create_directories(point_);
    if (!run(format) || !run(mount)) {
        why_ = "could not format and mount the stick";
        return;
    }
    mounted_ = true;
}

FuseStick::~FuseStick()
{
    for (const fs::path& point : mountsOf(disk_.device()))
        ::umount2(point.c_str(), 0) == 0 || ::umount2(point.c_str(), MNT_DETACH);
}

std::vector<std::string> FuseStick::mountCommand(const fs::path& point) const
{
    if (kind_ == DriveKind::exfat)
        return {"mount.exfat-fuse", disk_.device(), point.native()};
    return {"ntfs-3g", "-o", "windows_names", disk_.device(), point.native()};
}

bool FuseStick::mountAgain(const fs::path& point)
{
    for (const fs::path& mounted : mountsOf(disk_.device()))
        ::umount2(mounted.c_str(), 0);
    fs::create_directories(point);
    point_ = point;
    mounted_ = run(mountCommand(point));
    return mounted_;
}
