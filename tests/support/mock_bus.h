#pragma once
// A private D-Bus bus with python3-dbusmock services on it: logind, a
// notification daemon, the desktop portal's Inhibit, UDisks2. What the program asks
// them is read back from the services themselves. One dbus-daemon each;
// everything stops with the object.

#include "support/temp_dir.h"

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class MockBus {
public:
    MockBus();
    ~MockBus();
    MockBus(const MockBus&) = delete;
    MockBus& operator=(const MockBus&) = delete;

    // False where dbus-daemon or python3-dbusmock is missing (the test skips).
    bool running() const { return running_; }
    const QString& address() const { return address_; }
    QDBusConnection connection() const;

    // logind's manager, whose inhibitors the program takes.
    bool startLogind();
    // A notification daemon that records every Notify call.
    bool startNotifications();
    // The desktop portal with only Inhibit, and the request it returns.
    bool startPortal();
    // UDisks2 with one drive (see udisks2_template.py for the parameters,
    // a JSON object).
    bool startUdisks(const QString& parameters);
    // UDisks2 knowing the file system of `device` mounted at `mountPoint`,
    // labelled `label`, that it only unmounts.
    bool startUdisksDrive(const std::string& device, const std::filesystem::path& mountPoint, const QString& label);

    // The inhibitors logind holds now, each "what|who|why|mode".
    QStringList inhibitors() const;
    // The method calls an object of a service heard, each "Method arg arg
    // ...", in order.
    QStringList calls(const QString& service, const QString& objectPath) const;

private:
    bool spawn(const QStringList& arguments, const QString& name);

    TempDir socketDir_; // the bus's socket, gone with the test
    bool running_ = false;
    QString address_;
    QString connectionName_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> services_;
};
