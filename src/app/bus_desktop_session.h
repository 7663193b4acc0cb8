#pragma once
// The desktop's own services on D-Bus: logind (or the desktop portal) keeps
// the computer awake, the notification service tells of the end, UDisks2
// remounts a drive. GUI thread, but for the remount itself.

#include "controller/desktop_session.h"
#include "desktop/sleep_inhibitor.h"
#include "desktop/udisks_eject.h"
#include "desktop/udisks_remount.h"

#include <QDBusConnection>

#include <memory>
#include <optional>

class BusDesktopSession : public DesktopSession {
public:
    // The buses this desktop has by default, reached at the first transfer
    // (not at start-up).
    BusDesktopSession() = default;
    // Given buses, absent where there is none.
    BusDesktopSession(std::optional<QDBusConnection> system, std::optional<QDBusConnection> session);

    void keepAwake(const QString& reason) override;
    void allowSleep() override;
    void notify(const QString& title, const QString& body) override;
    const DriveRemount* driveRemount() override;
    const DriveEject* driveEject() override;

private:
    void reachBuses();

    bool reached_ = false;
    std::optional<QDBusConnection> system_;
    std::optional<QDBusConnection> session_;
    std::unique_ptr<SleepInhibitor> inhibitor_;
    std::optional<UdisksRemount> remount_;
    std::optional<UdisksEject> eject_;
};
