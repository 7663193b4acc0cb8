#pragma once
// What the desktop around the window is told of a transfer: to keep the
// computer awake while it runs, and that it has ended; and what it does for
// one: unmount a drive and mount it again, for the read-back, and eject it
// at the end. The application
// gives the controller one that speaks to the desktop's services; without
// one, the desktop is told nothing.

#include "transfer/drive_eject.h"
#include "transfer/drive_remount.h"

#include <QString>

class DesktopSession {
public:
    virtual ~DesktopSession() = default;

    // Until allowSleep(), the computer neither suspends nor logs out.
    virtual void keepAwake(const QString& reason) = 0;
    virtual void allowSleep() = 0;
    virtual void notify(const QString& title, const QString& body) = 0;
    // Lives as long as this session; used on the transfer worker. None
    // where the desktop cannot remount drives.
    virtual const DriveRemount* driveRemount() { return nullptr; }
    // None where the desktop cannot eject drives. GUI thread.
    virtual const DriveEject* driveEject() { return nullptr; }
};
