#pragma once
// One run per drive (drive_claim.h). The locks are files, never on the
// drive itself, locked with flock, so a run that ends in any way, killed
// included, lets go of them: for a drive served in user space (which runs
// unmount for their checks) in /run/lock, seen by every user's runs; for
// the others in the user's runtime folder ($XDG_RUNTIME_DIR, else
// /run/lock, else /tmp).
//
// Every system call goes through `io`.

#include "fs/drive_claim.h"
#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>

// Adds the drive of the open folder `folder` (reached at `path`) to `claim`.
// Fails with FsErrc::driveInUse where another run holds that drive, or
// where `path` lies below the mount point of a drive another run has
// unmounted for its check (the folder is then the bare folder it left).
FsResult<void> claimDriveOf(const SystemIo& io, int folder, const std::filesystem::path& path, DriveClaim& claim);
