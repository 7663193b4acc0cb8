#pragma once
// Unmounts a drive served by a driver in user space (FUSE) and mounts it
// again itself, for a program running as root where no disk service does
// it: the driver's own command is run again (as the running driver was
// started: same program, device, mount point and options), read-only when
// asked, and as before when not. Only a remount empties what the driver
// and the kernel keep of the drive in memory; and only if no other program
// holds the drive's device while it is unmounted, which is checked.
// Blocking; call from the transfer worker with nothing of the drive open.

#include "fs/file_system.h"
#include "fs/remount_result.h"

RemountResult remountOwn(const DriveAccess& drive, bool readOnly);
