#pragma once
// The size of a folder tree: the space on disk (blocks x 512) of every regular
// file at any depth, with their fingerprint (total length, newest times), leaving out hidden names with everything
// below them and never following or counting symbolic links. Unreadable or vanishing parts are left out and the walk
// goes on. FIFOs, sockets and devices are never opened.
//
// Cost: one getdents64 pass per folder and one fstatat per regular or
// unknown-type entry; folders are recognised from their directory entry.
// Memory grows with the depth and width of the tree, not with its size. At
// most one descriptor per worker is open at a time, so neither the open-file
// limit nor PATH_MAX bounds the depth.
//
// Big trees are shared with one helper thread, started only once a tree
// proves big enough to pay for it. The result never depends on the split.
// Every system call goes through `io`. Callable from any thread; each call
// is independent.

#include "fs/file_system.h"
#include "fs/scan_tally.h"
#include "fs/system_io.h"

#include <filesystem>
#include <stop_token>

// A stop request ends the walk early with a partial total. `tally`, when
// given, hears every regular file measured, as the walk goes.
TreeMeasure measureTree(const SystemIo& io, const std::filesystem::path& folder, int workers = 2,
                        std::stop_token stop = {}, ScanTally* tally = nullptr);
