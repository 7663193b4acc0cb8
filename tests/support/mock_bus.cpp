#include "support/mock_bus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QUuid>

namespace {

const QString python = QStringLiteral("/usr/bin/python3");

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, 5000);
}

QString shown(const QVariant& value)
{
    if (value.canConvert<QDBusVariant>())
        return shown(value.value<QDBusVariant>().variant());
    return value.toString();
}

} // namespace

MockBus::MockBus()
{
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
        return;
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                   QStringLiteral("--address=unix:dir=") + QString::fromStdString(socketDir_.path().native())});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
        return;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    connectionName_ = QStringLiteral("mock-bus-") + QUuid::createUuid().toString(QUuid::Id128);
    running_ = QDBusConnection::connectToBus(address_, connectionName_).isConnected();
}

MockBus::~MockBus()
{
    QDBusConnection::disconnectFromBus(connectionName_);
    for (auto& service : services_) {
        service->kill();
        service->waitForFinished(5000);
    }
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection MockBus::connection() const
{
    return QDBusConnection(connectionName_);
}

bool MockBus::spawn(const QStringList& arguments, const QString& name)
{
    if (!running_)
        return false;
    auto service = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    service->setProcessEnvironment(environment);
    service->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service->start(python, QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + arguments);
    services_.push_back(std::move(service));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10'000) {
        if (connection().interface()->isServiceRegistered(name))
            return true;
        QThread::msleep(20);
    }
    return false;
}

bool MockBus::startLogind()
{
    return spawn({QStringLiteral("--template"), QStringLiteral("logind")}, QStringLiteral("org.freedesktop.login1"));
}

bool MockBus::startNotifications()
{
    return spawn({QStringLiteral("--template"), QStringLiteral("notification_daemon")},
                 QStringLiteral("org.freedesktop.Notifications"));
}

bool MockBus::startPortal()
{
    return spawn(
        {QStringLiteral("--template"), QStringLiteral(LOFTWELL_TEST_SUPPORT_DIR "/portal_inhibit_template.py")},
        QStringLiteral("org.freedesktop.portal.Desktop"));
}

bool MockBus::startUdisks(const QString& parameters)
{
    return spawn({QStringLiteral("--template"), QStringLiteral(LOFTWELL_TEST_SUPPORT_DIR "/udisks2_template.py"),
                  QStringLiteral("--parameters"), parameters},
                 QStringLiteral("org.freedesktop.UDisks2"));
}

bool MockBus::startUdisksDrive(const std::string& device, const std::filesystem::path& mountPoint, const QString& label)
{
    const QString point = QString::fromStdString(mountPoint.native());
    const QJsonObject parameters{{QStringLiteral("device"), QString::fromStdString(device)},
                                 {QStringLiteral("driver"), QJsonArray{QStringLiteral("true")}},
                                 {QStringLiteral("label"), label},
                                 {QStringLiteral("mounted_at"), point},
                                 {QStringLiteral("mount_again_at"), point}};
    return startUdisks(QString::fromUtf8(QJsonDocument(parameters).toJson()));
}

QStringList MockBus::inhibitors() const
{
    const QDBusMessage reply =
        call(connection(), QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    QStringList held;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {QStringLiteral("(no answer)")};
    const auto list = reply.arguments().front().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint user = 0, process = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> user >> process;
        list.endStructure();
        held << QStringList{what, who, why, mode}.join(u'|');
    }
    list.endArray();
    return held;
}

QStringList MockBus::calls(const QString& service, const QString& objectPath) const
{
    const QDBusMessage reply = call(connection(), service, objectPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                    QStringLiteral("GetCalls"));
    QStringList heard;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return heard;
    const auto list = reply.arguments().front().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        qulonglong time = 0;
        QString method;
        QVariantList arguments;
        list.beginStructure();
        list >> time >> method >> arguments;
        list.endStructure();
        QStringList words{method};
        for (const QVariant& argument : arguments)
            words << shown(argument);
        heard << words.join(u' ');
    }
    list.endArray();
    return heard;
}
