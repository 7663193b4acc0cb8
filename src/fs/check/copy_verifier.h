#pragma once
// Checks a finished copy against its source and the manifest the copy made:
// every entry of the source, hidden ones included, is in the copy with the
// same type, links with the same target, files with the same length; the
// source has not changed since it was copied.
//
// Checking contents (CopyCheck::contents), the copy, which must be on the
// drive already (copy_flush.h), has its cached pages dropped, and every file
// is re-read from the drive (without touching its access time) and compared
// with the hash taken while copying. Before the Trash, no entry of the
// source may lie on another file system either (a drive mounted inside the
// item must not go to the Trash with it). A copy that shares its source's
// blocks (a reflink) is checked by its extent map,
// which must be the source's, shared, and by one read of it from the drive;
// where the maps say otherwise, both files are read and compared.
//
// A failure says what differed (FsErrc::entryMissing, typeDiffers,
// linkTargetDiffers, lengthDiffers, contentsDiffer, sourceChanged,
// otherFileSystem), or which system call failed (an input/output error as
// readBackFailed or originalUnreadable), and where inside the item.
// A stop request ends the check with ECANCELED.
//
// Every system call goes through `io`. Blocking; call from the transfer worker.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>
#include <stop_token>
#include <string>

// The copy is `targetName` inside the open folder `targetDirectory`;
// `target` is its path, for messages.
FsResult<void> verifyItemCopy(const SystemIo& io, const std::filesystem::path& source, int targetDirectory,
                              const std::string& targetName, const std::filesystem::path& target,
                              const CopyManifest& manifest, CopyCheck check, std::stop_token stop = {},
                              ByteCounter verified = {});

// The same at a path.
FsResult<void> verifyItemCopy(const SystemIo& io, const std::filesystem::path& source,
                              const std::filesystem::path& target, const CopyManifest& manifest, CopyCheck check,
                              std::stop_token stop = {});
