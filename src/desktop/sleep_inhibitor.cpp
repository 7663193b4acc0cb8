#include "desktop/sleep_inhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace {

constexpr int callTimeoutMs = 2000;

} // namespace

SleepInhibitor::SleepInhibitor(const std::optional<QDBusConnection>& system,
                               const std::optional<QDBusConnection>& session, const QString& who, const QString& why)
{
    if (system && takeLogindLock(*system, who, why))
        via_ = Via::logind;
    else if (session && takePortalInhibition(*session, why))
        via_ = Via::portal;
}

SleepInhibitor::~SleepInhibitor()
{
    if (via_ == Via::portal) {
        QDBusMessage close =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"), request_,
                                           QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"));
        session_->call(close, QDBus::Block, callTimeoutMs);
    }
    // The lock's descriptor closes with `lock_`.
}

bool SleepInhibitor::takeLogindLock(const QDBusConnection& system, const QString& who, const QString& why)
{
    QDBusMessage inhibit = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep:shutdown") << who << why << QStringLiteral("block");
    const QDBusMessage reply = system.call(inhibit, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    lock_ = reply.arguments().front().value<QDBusUnixFileDescriptor>();
    return lock_.isValid();
}

bool SleepInhibitor::takePortalInhibition(const QDBusConnection& session, const QString& why)
{
    constexpr uint logout = 1;
    constexpr uint suspend = 4;
    QDBusMessage inhibit = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    inhibit << QString() << (logout | suspend) << QVariantMap{{QStringLiteral("reason"), why}};
    const QDBusMessage reply = session.call(inhibit, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    request_ = reply.arguments().front().value<QDBusObjectPath>().path();
    if (request_.isEmpty())
        return false;
    session_ = session;
    return true;
}
