#pragma once
// The file systems the desktop's disk service (UDisks2, on the system bus)
// knows, read from its object manager: which block device holds each, its
// UUID and where it is mounted. Callable from any thread; each call waits
// at most a few seconds for the service.

#include <QDBusConnection>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

inline constexpr char udisksService[] = "org.freedesktop.UDisks2";
inline constexpr char udisksFilesystem[] = "org.freedesktop.UDisks2.Filesystem";

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

// The one mounted at `mountPoint`.
std::optional<UdisksFilesystem> udisksFilesystemAt(const QDBusConnection& bus, const std::filesystem::path& mountPoint);
