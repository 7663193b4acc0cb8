#include "desktop/udisks_objects.h"

#include <QDBusArgument>
#include <QDBusObjectPath>

#include <algorithm>

namespace {

constexpr int answerWithin = 5000;

// MountPoints: byte strings, each ending in a NUL.
std::vector<std::filesystem::path> mountPointsOf(const QVariant& value)
{
    std::vector<std::filesystem::path> points;
    if (!value.canConvert<QDBusArgument>())
        return points;
    const QDBusArgument list = value.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QByteArray bytes;
        list >> bytes;
        if (bytes.endsWith('\0'))
            bytes.chop(1);
        if (!bytes.isEmpty())
            points.emplace_back(bytes.toStdString());
    }
    list.endArray();
    return points;
}

} // namespace

std::optional<std::vector<UdisksFilesystem>> udisksFilesystems(const QDBusConnection& bus)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(udisksService), QStringLiteral("/org/freedesktop/UDisks2"),
        QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerWithin);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().at(0).canConvert<QDBusArgument>())
        return std::nullopt;
    // a{oa{sa{sv}}}: objects, their interfaces, their properties.
    std::vector<UdisksFilesystem> found;
    std::vector<QString> poweredOff; // drives that can be powered off
    const QDBusArgument objects = reply.arguments().at(0).value<QDBusArgument>();
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        objects.beginMapEntry();
        objects >> path;
        UdisksFilesystem filesystem{path.path(), {}, {}, {}, {}, false, {}};
        bool hasFilesystem = false;
        objects.beginMap();
        while (!objects.atEnd()) {
            QString interface;
            QVariantMap properties;
            objects.beginMapEntry();
            objects >> interface >> properties;
            objects.endMapEntry();
            if (interface == QLatin1String(udisksFilesystem)) {
                hasFilesystem = true;
                filesystem.mountPoints = mountPointsOf(properties.value(QStringLiteral("MountPoints")));
            } else if (interface == QLatin1String("org.freedesktop.UDisks2.Block")) {
                filesystem.uuid = properties.value(QStringLiteral("IdUUID")).toString();
                filesystem.label = properties.value(QStringLiteral("IdLabel")).toString();
                filesystem.drive = qvariant_cast<QDBusObjectPath>(properties.value(QStringLiteral("Drive"))).path();
                QByteArray device = properties.value(QStringLiteral("Device")).toByteArray();
                if (device.endsWith('\0'))
                    device.chop(1);
                filesystem.device = device.toStdString();
            } else if (interface == QLatin1String(udisksDrive) &&
                       properties.value(QStringLiteral("CanPowerOff")).toBool()) {
                poweredOff.push_back(path.path());
            }
        }
        objects.endMap();
        objects.endMapEntry();
        if (hasFilesystem)
            found.push_back(std::move(filesystem));
    }
    objects.endMap();
    for (UdisksFilesystem& filesystem : found)
        filesystem.canPowerOff = std::ranges::find(poweredOff, filesystem.drive) != poweredOff.end();
    return found;
}

QDBusMessage callUdisks(const QDBusConnection& bus, const QString& object, const char* interface, const char* method,
                        QVariantMap options, int within)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(udisksService), object,
                                                       QString::fromLatin1(interface), QString::fromLatin1(method));
    options.insert(QStringLiteral("auth.no_user_interaction"), true);
    call << options;
    return bus.call(call, QDBus::Block, within);
}

std::optional<UdisksFilesystem> udisksFilesystemAt(const QDBusConnection& bus, const std::filesystem::path& mountPoint)
{
    const auto filesystems = udisksFilesystems(bus);
    if (!filesystems)
        return std::nullopt;
    for (const UdisksFilesystem& filesystem : *filesystems) {
        if (std::find(filesystem.mountPoints.begin(), filesystem.mountPoints.end(), mountPoint) !=
            filesystem.mountPoints.end())
            return filesystem;
    }
    return std::nullopt;
}
