#pragma once
// The copy phase of one item: its copy written to the drive under a hidden
// name, or an earlier run's whole copy taken in its place. Either way the
// original is first found as the scan saw it, and read as it is copied, so
// that the check reads back what it is compared with.

#include "fs/copy/drive_pacer.h"
#include "fs/file_system.h"
#include "model/candidate.h"
#include "transfer/earlier_copies.h"
#include "transfer/made_copy.h"
#include "transfer/run_folders.h"
#include "transfer/run_meter.h"

#include <filesystem>
#include <stop_token>

// An earlier run's whole copy taken for the item: nothing is written, the
// original is read and hashed as a copy would hash it, for the same check.
FsResult<void> useEarlierCopy(const Candidate& item, const EarlierCopy& earlier, const std::filesystem::path& to,
                              RunFolders& folders, const FileSystem& fileSystem, const std::stop_token& stop,
                              RunMeter& meter, MadeCopy& made);

// Checks an item against the destination and the scan, then copies it under
// a temporary name and, complete, gives it the name of a copy waiting for
// its check, filling in `made`.
FsResult<void> copyItemToDrive(const Candidate& item, RunFolders& folders, const FileSystem& fileSystem,
                               const std::stop_token& stop, RunMeter& meter, DrivePacer* pacer, MadeCopy& made);
