#pragma once
// The size of a folder tree: the space on disk (blocks x 512) of every regular
// file at any depth, hidden ones included (they are moved with the tree), with their fingerprint (total length, newest
// times), never following or counting symbolic links. Unreadable or vanishing parts are left out and the walk goes on.
// FIFOs, sockets and devices are never opened.
//
// Cost: one getdents64 pass per folder and one fstatat per regular or
// unknown-type entry; folders are recognised from their directory entry.
// Memory grows with the depth and width of the tree, not with its size. At
// most one descriptor per worker is open at a time, so neither the open-file
// limit nor PATH_MAX bounds the depth.
//
// Big trees are shared with helper threads, up to `workers` in all, started
// only once a tree proves big enough to pay for them and one at a time as
// waiting work outgrows them: on a cold disk each thread is one more request
// in flight. The result never depends on the split.
// Every system call goes through `io`. Callable from any thread; each call
// is independent.

#include "fs/file_system.h"
#include "fs/scan_tally.h"
#include "fs/system_io.h"

#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

// A stop request ends the walk early with a partial total. `tally`, when
// given, hears every regular file measured, as the walk goes.
// A cold walk of a deep tree on an SSD keeps getting faster up to about 16
// requests in flight (half the time of 2), and a home of two million files
// on a virtual disk up to 32 (a fifth faster than 16; 64 gains nothing); a
// warm walk neither gains nor loses.
inline constexpr int treeWalkWorkers = 32;

TreeMeasure measureTree(const SystemIo& io, const std::filesystem::path& folder, int workers = treeWalkWorkers,
                        std::stop_token stop = {}, ScanTally* tally = nullptr);

// Told the index of each folder of measureTrees as its walk starts, one call
// at a time, on whichever thread starts it.
using RootStarted = std::function<void(std::size_t index)>;

// Several folders in one walk sharing one set of workers, so the end of one
// folder's walk overlaps the start of the next one's; each result is what
// measureTree gives for that folder. Each worker keeps a sum per folder.
std::vector<TreeMeasure> measureTrees(const SystemIo& io, const std::vector<std::filesystem::path>& folders,
                                      int workers = treeWalkWorkers, std::stop_token stop = {},
                                      ScanTally* tally = nullptr, const RootStarted& started = {});
