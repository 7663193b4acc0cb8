#pragma once
// One desktop notification through org.freedesktop.Notifications, under
// the program's name and icon. Sent without waiting for an answer: where no
// notification service runs, nothing is shown and nothing waits.

#include <QDBusConnection>
#include <QString>

void sendDesktopNotification(const QDBusConnection& session, const QString& title, const QString& body);
