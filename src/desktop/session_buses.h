#pragma once
// The buses a program on this desktop reaches by default. Absent when there
// is none to reach: a session bus is never started on demand (libdbus would
// launch one for an X display), so a terminal without a desktop session
// asks no one.

#include <QDBusConnection>

#include <optional>

std::optional<QDBusConnection> defaultSystemBus();
std::optional<QDBusConnection> defaultSessionBus();
