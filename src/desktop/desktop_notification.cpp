#include "desktop/desktop_notification.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void sendDesktopNotification(const QDBusConnection& session, const QString& title, const QString& body)
{
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the desktop name the program and open its window.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("loftwell")}};
    notify << QStringLiteral("Loftwell") << uint(0) << QStringLiteral("loftwell") << title << body << QStringList()
           << hints << int(-1);
    session.send(notify);
}
