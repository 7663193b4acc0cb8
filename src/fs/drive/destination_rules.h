#pragma once
// What a destination's file system can hold, learned once per transfer by
// trying it: a few scratch entries are made in a folder of Loftwell's own
// inside the dated folder and removed again. Trying answers for whichever
// driver is in charge (the kernel's exFAT, FAT and NTFS drivers and their
// FUSE counterparts refuse the same names with different errors, and some
// strip trailing dots silently); only the largest file size of FAT comes
// from the file system's type, as no cheap trial shows it.
//
// Every system call goes through `io`. Blocking; call from the transfer worker.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <cstdint>
#include <optional>
#include <string>

// Tries the rules out inside the open folder `folder`; a rule that cannot
// be tried is taken as absent (the copy then fails with the system's error).
DestinationRules probeDestinationRules(const SystemIo& io, int folder);

// FAT's: times rounded to even seconds, either way.
constexpr std::int64_t coarsestTimeTolerance = 2'000'000'000;

// How far a stored modification time may be from the one set, learnt the
// same way; none where it could not be tried (a read-only drive, say).
std::optional<std::int64_t> probeTimeTolerance(const SystemIo& io, int folder);

// What is wrong with one name on such a destination, if anything:
// FsErrc::nameNotAllowed or FsErrc::nameTooLong.
std::optional<FsErrc> nameProblem(const std::string& name, const DestinationRules& rules);

// The form under which a case-insensitive destination compares names.
std::string caseFoldedName(const std::string& name);
