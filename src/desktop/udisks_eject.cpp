#include "desktop/udisks_eject.h"

#include "desktop/udisks_objects.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

// The unmount writes what the drive still holds in memory; the copies are
// on it already, so this is seconds, not minutes.
constexpr int unmountWithin = 30'000;
constexpr int powerOffWithin = 10'000;

// `folder` lies at `mountPoint` or below it.
bool below(const std::filesystem::path& folder, const std::filesystem::path& mountPoint)
{
    const std::filesystem::path relative = folder.lexically_relative(mountPoint);
    return !relative.empty() && *relative.begin() != "..";
}

// The file system mounted deepest above `folder`.
std::optional<UdisksFilesystem> filesystemHolding(const QDBusConnection& bus, const std::filesystem::path& folder)
{
    const auto all = udisksFilesystems(bus);
    if (!all)
        return std::nullopt;
    std::optional<UdisksFilesystem> found;
    std::size_t deepest = 0;
    for (const UdisksFilesystem& filesystem : *all) {
        for (const std::filesystem::path& point : filesystem.mountPoints) {
            if (below(folder, point) && point.native().size() >= deepest) {
                deepest = point.native().size();
                found = filesystem;
            }
        }
    }
    return found;
}

QString nameOf(const UdisksFilesystem& filesystem)
{
    if (!filesystem.label.isEmpty())
        return filesystem.label;
    return QString::fromStdString(filesystem.mountPoints.front().filename().native());
}

QDBusMessage call(const QDBusConnection& bus, const QString& object, const char* interface, const char* method,
                  int within)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(udisksService), object,
                                                          QString::fromLatin1(interface), QString::fromLatin1(method));
    message << QVariantMap{{QStringLiteral("auth.no_user_interaction"), true}};
    return bus.call(message, QDBus::Block, within);
}

} // namespace

std::optional<QString> UdisksEject::driveName(const std::filesystem::path& folder) const
{
    if (!bus_)
        return std::nullopt;
    const auto filesystem = filesystemHolding(*bus_, folder);
    if (!filesystem)
        return std::nullopt;
    return nameOf(*filesystem);
}

EjectResult UdisksEject::eject(const std::filesystem::path& folder) const
{
    if (!bus_)
        return {};
    const auto filesystem = filesystemHolding(*bus_, folder);
    if (!filesystem)
        return {};
    const QDBusMessage unmounted = call(*bus_, filesystem->object, udisksFilesystem, "Unmount", unmountWithin);
    if (unmounted.type() != QDBusMessage::ReplyMessage) {
        if (unmounted.errorName() == QLatin1String("org.freedesktop.UDisks2.Error.DeviceBusy"))
            return {EjectResult::Outcome::busy, unmounted.errorMessage()};
        return {EjectResult::Outcome::refused, unmounted.errorMessage()};
    }
    // Unmounted is safe to pull; powering off is the courtesy file managers add.
    if (filesystem->canPowerOff)
        call(*bus_, filesystem->drive, "org.freedesktop.UDisks2.Drive", "PowerOff", powerOffWithin);
    return {EjectResult::Outcome::ejected, {}};
}
