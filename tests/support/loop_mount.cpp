#include "support/loop_mount.h"

#include "support/run_tool.h"

#include <QStandardPaths>

#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

LoopMount::LoopMount(const fs::path& work, const std::string& type, int megabytes)
    : image_(work / (type + ".img")), point_(work / type)
{
    const QString format = QString::fromStdString("mkfs." + type);
    if (::geteuid() != 0) {
        why_ = "needs root to mount an image";
        return;
    }
    if (QStandardPaths::findExecutable(format).isEmpty()) {
        why_ = format.toStdString() + " is not installed";
        return;
    }
    std::ofstream(image_).close();
    fs::resize_file(image_, std::uintmax_t(megabytes) * 1024 * 1024);
    fs::create_directories(point_);
    const QString image = QString::fromStdString(image_.native());
    QString device;
    if (!runTool(format, {QStringLiteral("-q"), type == "ext4" ? QStringLiteral("-F") : QStringLiteral("-f"), image}) ||
        !runTool(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image}, &device) ||
        device.isEmpty()) {
        why_ = "no " + type + " here (" + format.toStdString() + " or losetup failed)";
        return;
    }
    device_ = device.toStdString();
    if (::mount(device_.c_str(), point_.c_str(), type.c_str(), 0, nullptr) != 0) {
        why_ = "the kernel did not mount " + type;
        return;
    }
    mounted_ = true;
}

LoopMount::~LoopMount()
{
    if (mounted_)
        ::umount2(point_.c_str(), MNT_DETACH);
    // Detached once the lazy unmount lets go of it.
    if (!device_.empty())
        runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), QString::fromStdString(device_)});
}

bool LoopMount::stillMounted() const
{
    std::ifstream table("/proc/self/mountinfo");
    std::stringstream text;
    text << table.rdbuf();
    return text.str().find(" " + point_.native() + " ") != std::string::npos;
}

long long LoopMount::bytesWritten() const
{
    // /sys/block/loopN/stat: the 7th figure counts 512-byte sectors written.
    std::ifstream stat("/sys/block/" + fs::path(device_).filename().native() + "/stat");
    long long figure = -1;
    for (int i = 0; i < 7 && stat >> figure; ++i) {
    }
    return stat ? figure * 512 : -1;
}
