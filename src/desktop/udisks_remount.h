#pragma once
// Unmounts a drive and mounts it again through UDisks2, as a file manager
// would, without asking for a password (a drive the user may not unmount
// without one is left alone). While it is unmounted, no other program may
// hold its device (the kernel keeps its cache of the device until the last
// one closes it); then it is mounted, read-only when asked, and found by
// its UUID wherever it is mounted now. Called on the transfer worker.

#include "transfer/drive_remount.h"

#include <QDBusConnection>

#include <optional>

class UdisksRemount : public DriveRemount {
public:
    // The system bus, absent where there is none (then nothing is remounted).
    explicit UdisksRemount(std::optional<QDBusConnection> systemBus) : bus_(std::move(systemBus)) {}

    RemountResult remount(const std::filesystem::path& mountPoint, bool readOnly) const override;

private:
    std::optional<QDBusConnection> bus_;
};
