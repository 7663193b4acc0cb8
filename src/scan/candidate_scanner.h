#pragma once
// Turns the folders the user authorised into the ordered list of
// recommendations: every immediate child of a root that is large enough
// becomes one candidate as a whole; a root that is an application bundle is
// itself the candidate. Items reached twice are recorded once, under the
// first root that reached them. Reads the disk only through the file-system
// layer, reports no errors, and runs synchronously on the caller's thread
// (the scan worker, or the command line).

#include "fs/file_system.h"
#include "model/candidate.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

// Told of each item just before it is measured, and of an empty path when
// the scan ends (the command line shows it on a terminal). The folders of
// one root are measured together, so their calls may come from the walk's
// threads, one call at a time; it must not throw.
using MeasuringObserver = std::function<void(const std::filesystem::path& item)>;

// A stop request ends the scan early with what it found in the roots it
// finished (the window makes one when it closes during a scan). `tally`, when given, counts the
// regular files measured and their space as the scan goes.
std::vector<Candidate> scanCandidates(const std::vector<std::filesystem::path>& roots, const FileSystem& fileSystem,
                                      std::stop_token stop = {}, const MeasuringObserver& measuring = {},
                                      ScanTally* tally = nullptr);

// The size measure shared by the scan and the transfer: 0 for a symbolic
// link, the allocated size (else the length) for anything that is not a
// folder, the tree size of a folder.
std::int64_t itemSize(const std::filesystem::path& url, const FileSystem& fileSystem, std::stop_token stop = {});

// The size measure with the item's fingerprint, taken by the same calls:
// the transfer compares it with the scan's to notice an item that changed.
struct ItemMeasure {
    std::int64_t sizeBytes = 0;
    ItemFingerprint fingerprint;
};
ItemMeasure measureItem(const std::filesystem::path& url, const FileSystem& fileSystem, std::stop_token stop = {},
                        ScanTally* tally = nullptr);

// Hidden names, "Library", "System" and "Volumes" (exactly), and symbolic links.
bool shouldSkip(const std::filesystem::path& url, const FileSystem& fileSystem);

// The standard folders at the top of a Linux system (those of the
// Filesystem Hierarchy Standard, lost+found, proc, sys, dev, run and snap):
// never candidates when the root folder "/" itself is scanned.
bool isSystemFolder(const std::filesystem::path& root, const std::string& name);

// True only when the item can be read and is a symbolic link.
bool isSymbolicLink(const std::filesystem::path& url, const FileSystem& fileSystem);

// The well-known folders by their localised names, others by their own name.
QString displayRootName(const std::filesystem::path& root, const FileSystem& fileSystem);
