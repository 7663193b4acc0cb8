#include "app/bus_desktop_session.h"

#include "desktop/desktop_notification.h"
#include "desktop/session_buses.h"

BusDesktopSession::BusDesktopSession(std::optional<QDBusConnection> system, std::optional<QDBusConnection> session)
    : reached_(true), system_(std::move(system)), session_(std::move(session))
{
}

void BusDesktopSession::reachBuses()
{
    if (reached_)
        return;
    reached_ = true;
    system_ = defaultSystemBus();
    session_ = defaultSessionBus();
}

void BusDesktopSession::keepAwake(const QString& reason)
{
    reachBuses();
    inhibitor_.reset(); // one lock at a time
    inhibitor_ = std::make_unique<SleepInhibitor>(system_, session_, QStringLiteral("Loftwell"), reason);
}

void BusDesktopSession::allowSleep()
{
    inhibitor_.reset();
}

void BusDesktopSession::notify(const QString& title, const QString& body)
{
    reachBuses();
    if (session_)
        sendDesktopNotification(*session_, title, body);
}

const DriveRemount* BusDesktopSession::driveRemount()
{
    reachBuses();
    if (!remount_)
        remount_.emplace(system_);
    return &*remount_;
}

const DriveEject* BusDesktopSession::driveEject()
{
    reachBuses();
    if (!eject_)
        eject_.emplace(system_);
    return &*eject_;
}
