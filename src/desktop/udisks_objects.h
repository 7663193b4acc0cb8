#pragma once
// The file systems the desktop's disk service (UDisks2, on the system bus)
// knows, read from its object manager: which block device holds each, its
// UUID and where it is mounted. Callable from any thread; each call waits
// at most a few seconds for the service.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

#include <filesystem>
#include <optional>
#include <vector>

inline constexpr char udisksService[] = "org.freedesktop.UDisks2";
inline constexpr char udisksFilesystem[] = "org.freedesktop.UDisks2.Filesystem";
inline constexpr char udisksDrive[] = "org.freedesktop.UDisks2.Drive";
inline constexpr char udisksDeviceBusy[] = "org.freedesktop.UDisks2.Error.DeviceBusy";

struct UdisksFilesystem {
    QString object; // the block device's object path
    QString uuid;   // the file system's UUID, "" when it has none
    std::vector<std::filesystem::path> mountPoints;
    QString label;                // the file system's label, "" when it has none
    QString drive;                // the drive's object path, "" when it has none
    bool canPowerOff = false;     // the drive can be powered off once unmounted
    std::filesystem::path device; // its block device ("/dev/sdb1"), where known
};

// None when the service does not answer.
std::optional<std::vector<UdisksFilesystem>> udisksFilesystems(const QDBusConnection& bus);

// Calls `method` of `interface` on the service's `object`, with `options`
// (a{sv}) and never a password dialog in between; the reply, or the error
// after `within` ms.
QDBusMessage callUdisks(const QDBusConnection& bus, const QString& object, const char* interface, const char* method,
                        QVariantMap options, int within);

// The one mounted at `mountPoint`.
std::optional<UdisksFilesystem> udisksFilesystemAt(const QDBusConnection& bus, const std::filesystem::path& mountPoint);
