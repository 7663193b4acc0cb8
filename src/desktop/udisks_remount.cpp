#include "desktop/udisks_remount.h"

#include "desktop/udisks_objects.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace {

using Outcome = RemountResult::Outcome;

// Unmounting waits for the drive's last writes.
constexpr int unmountWithin = 120'000;
constexpr int mountWithin = 60'000;

QDBusMessage callFilesystem(const QDBusConnection& bus, const QString& object, const QString& method, int within)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(udisksService), object,
                                                       QString::fromLatin1(udisksFilesystem), method);
    call << QVariantMap{{QStringLiteral("auth.no_user_interaction"), true}};
    return bus.call(call, QDBus::Block, within);
}

} // namespace

RemountResult UdisksRemount::remount(const std::filesystem::path& mountPoint) const
{
    if (!bus_)
        return {};
    const auto filesystem = udisksFilesystemAt(*bus_, mountPoint);
    if (!filesystem)
        return {};
    const QDBusMessage unmounted = callFilesystem(*bus_, filesystem->object, QStringLiteral("Unmount"), unmountWithin);
    if (unmounted.type() != QDBusMessage::ReplyMessage)
        return {Outcome::notUnmounted, {}};
    const QDBusMessage mounted = callFilesystem(*bus_, filesystem->object, QStringLiteral("Mount"), mountWithin);
    if (mounted.type() != QDBusMessage::ReplyMessage || mounted.arguments().isEmpty())
        return {Outcome::notMountedBack, {}};
    // The same file system, found by its UUID, wherever it is mounted now;
    // else where Mount said it put it. The run's folders are looked for
    // there, and must be found, before any copy is read back.
    RemountResult result{Outcome::remounted, mounted.arguments().at(0).toString().toStdString()};
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
