#pragma once
// Keeps the computer from suspending, shutting down or logging the user out
// for as long as this object lives, so that a long move is not cut off by
// the lid closing: logind's inhibitor lock where the system bus has logind,
// else the desktop portal's inhibition on the session bus, else nothing,
// silently. GUI or main thread; each bus call waits at most a second or two.

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QString>

#include <optional>

class SleepInhibitor {
public:
    enum class Via { nothing, logind, portal };

    // `who` is the program's name, `why` the reason the desktop shows.
    SleepInhibitor(const std::optional<QDBusConnection>& system, const std::optional<QDBusConnection>& session,
                   const QString& who, const QString& why);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    Via via() const { return via_; }

private:
    bool takeLogindLock(const QDBusConnection& system, const QString& who, const QString& why);
    bool takePortalInhibition(const QDBusConnection& session, const QString& why);

    Via via_ = Via::nothing;
    // logind's lock lasts exactly as long as this descriptor is open.
    QDBusUnixFileDescriptor lock_;
    // The portal's lasts until its request is closed.
    std::optional<QDBusConnection> session_;
    QString request_;
};
