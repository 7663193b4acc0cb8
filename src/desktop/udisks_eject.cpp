#include "desktop/udisks_eject.h"

#include "desktop/udisks_objects.h"

#include <QDBusError>

#include <algorithm>

namespace {

// The unmount writes what the drive still holds in memory; the copies are
// on it already, so this is seconds, not minutes.
constexpr int unmountWithin = 30'000;
constexpr int powerOffWithin = 10'000;

QString nameOf(const UdisksFilesystem& filesystem)
{
    if (!filesystem.label.isEmpty())
        return filesystem.label;
    return QString::fromStdString(filesystem.mountPoints.front().filename().native());
}

} // namespace

std::optional<QString> UdisksEject::driveName(const std::filesystem::path& mountPoint) const
{
    if (!bus_)
        return std::nullopt;
    const auto filesystem = udisksFilesystemAt(*bus_, mountPoint);
    if (!filesystem)
        return std::nullopt;
    return nameOf(*filesystem);
}

EjectResult UdisksEject::eject(const std::filesystem::path& mountPoint) const
{
    if (!bus_)
        return {};
    const auto all = udisksFilesystems(*bus_);
    if (!all)
        return {};
    const auto filesystem = std::ranges::find_if(*all, [&](const UdisksFilesystem& candidate) {
        return std::ranges::find(candidate.mountPoints, mountPoint) != candidate.mountPoints.end();
    });
    if (filesystem == all->end())
        return {};
    // A drive is safe to pull only when none of its file systems is mounted:
    // another partition still mounted is said, and nothing is done.
    for (const UdisksFilesystem& other : *all) {
        if (other.object != filesystem->object && !filesystem->drive.isEmpty() && other.drive == filesystem->drive &&
            !other.mountPoints.empty())
            return {EjectResult::Outcome::otherMounted, QString::fromStdString(other.mountPoints.front().native())};
    }
    const QDBusMessage unmounted =
        callUdisks(*bus_, filesystem->object, udisksFilesystem, "Unmount", {}, unmountWithin);
    if (unmounted.type() != QDBusMessage::ReplyMessage) {
        if (unmounted.errorName() == QLatin1String(udisksDeviceBusy))
            return {EjectResult::Outcome::busy, unmounted.errorMessage()};
        return {EjectResult::Outcome::refused, unmounted.errorMessage()};
    }
    // Unmounted, the file system is clean; a drive that can be powered off
    // and refuses is not said to be safe to pull.
    if (filesystem->canPowerOff) {
        const QDBusMessage off = callUdisks(*bus_, filesystem->drive, udisksDrive, "PowerOff", {}, powerOffWithin);
        if (off.type() != QDBusMessage::ReplyMessage)
            return {EjectResult::Outcome::refused, off.errorMessage()};
    }
    return {EjectResult::Outcome::ejected, {}};
}
