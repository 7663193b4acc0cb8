#include "desktop/session_buses.h"

#include <QFileInfo>

std::optional<QDBusConnection> defaultSystemBus()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    return bus.isConnected() ? std::optional(bus) : std::nullopt;
}

std::optional<QDBusConnection> defaultSessionBus()
{
    // Where systemd runs a user's session bus, its socket is in the runtime folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus"))))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() ? std::optional(bus) : std::nullopt;
}
