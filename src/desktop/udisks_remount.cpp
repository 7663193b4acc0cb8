#include "desktop/udisks_remount.h"

#include "desktop/udisks_objects.h"
#include "fs/drive/device_users.h"

namespace {

using Outcome = RemountResult::Outcome;

// Unmounting waits for the drive's last writes.
constexpr int unmountWithin = 120'000;
constexpr int mountWithin = 60'000;

} // namespace

RemountResult UdisksRemount::remount(const std::filesystem::path& mountPoint, bool readOnly) const
{
    if (!bus_)
        return {};
    const auto filesystem = udisksFilesystemAt(*bus_, mountPoint);
    if (!filesystem)
        return {};
    // The driver serving it (exfat-fuse, ntfs-3g: the service's, so root's):
    // found by its command line, which any user may read.
    const std::vector<pid_t> drivers = processesNaming(mountPoint);
    const QDBusMessage unmounted =
        callUdisks(*bus_, filesystem->object, udisksFilesystem, "Unmount", {}, unmountWithin);
    if (unmounted.type() != QDBusMessage::ReplyMessage) {
        if (unmounted.errorName() == QLatin1String(udisksDeviceBusy))
            return {Outcome::busy, {}, mountUsers(mountPoint)};
        return {Outcome::refused, {}, {}};
    }
    // Its driver lets go of the device as it ends (a new one cannot open it
    // before: a loaded machine may take seconds); a program that still
    // holds the device keeps the kernel's cache of it. (Only the check needs
    // the cache gone.)
    const bool driversGone = waitForExit(drivers, std::chrono::seconds(20));
    std::string holders;
    if (readOnly)
        holders = driversGone ? waitForDeviceClosed(blockDeviceNumber(filesystem->device), std::chrono::seconds(5))
                              : programNames(drivers);
    QVariantMap options;
    if (readOnly)
        options.insert(QStringLiteral("options"), QStringLiteral("ro"));
    const QDBusMessage mounted = callUdisks(*bus_, filesystem->object, udisksFilesystem, "Mount", options, mountWithin);
    if (mounted.type() != QDBusMessage::ReplyMessage || mounted.arguments().isEmpty())
        return {Outcome::notMountedBack, {}, {}};
    // The same file system, found by its UUID, wherever it is mounted now;
    // else where Mount said it put it. The run's folders are looked for
    // there, and must be found, before any copy is read back.
    RemountResult result{holders.empty() ? Outcome::remounted : Outcome::deviceHeld,
                         mounted.arguments().at(0).toString().toStdString(), holders};
    if (filesystem->uuid.isEmpty())
        return result;
    if (const auto all = udisksFilesystems(*bus_)) {
        for (const UdisksFilesystem& now : *all) {
            if (now.uuid == filesystem->uuid && !now.mountPoints.empty())
                result.mountPoint = now.mountPoints.front();
        }
    }
    return result;
}
