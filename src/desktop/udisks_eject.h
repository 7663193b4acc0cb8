#pragma once
// Ejects drives through UDisks2 on the system bus: Filesystem.Unmount, then
// Drive.PowerOff where the drive CanPowerOff, without asking for a password
// (a drive the user may not eject without one is refused, and stays).

#include "transfer/drive_eject.h"

#include <QDBusConnection>

#include <optional>

class UdisksEject : public DriveEject {
public:
    // The system bus, absent where there is none (then nothing can be ejected).
    explicit UdisksEject(std::optional<QDBusConnection> systemBus) : bus_(std::move(systemBus)) {}

    std::optional<QString> driveName(const std::filesystem::path& mountPoint) const override;
    EjectResult eject(const std::filesystem::path& mountPoint) const override;

private:
    std::optional<QDBusConnection> bus_;
};
