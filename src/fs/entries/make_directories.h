#pragma once
// Makes a folder and any missing parents, one component at a time from the
// root, so any depth works and an existing file in the way is reported
// rather than taken for a folder. Succeeds when the folder exists already.
// Every system call goes through `io`; callable from any thread.

#include "fs/fs_error.h"
#include "fs/system_io.h"

#include <filesystem>

FsResult<void> makeDirectories(const SystemIo& io, const std::filesystem::path& folder, mode_t mode = 0777);
