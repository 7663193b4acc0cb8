#pragma once
// The hidden names a copy has on the drive before it has earned its own,
// written and read here only, so that whatever a run names a copy, a later
// run recognises it:
//   ".NAME.loftwell-partial"    while it is written (numbered ".NAME 2...")
//   ".NAME.loftwell-unchecked"  complete, not yet read back and found
//                               identical (numbered as its own name would
//                               be: ".Report 2.pdf.loftwell-unchecked")
// A name too long to take the dot, the suffix and a number is cut between
// two characters; the cut is the same for every drive whose names hold 255
// bytes or more, which the reader assumes.

#include "fs/file_system.h"

#include <string>

// The hidden name a copy of `name` is made under until it is complete,
// free inside `folder`, short enough for names of at most `longestName` bytes.
std::string unfinishedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                             const FileSystem& fileSystem);

// The hidden name a complete copy of `name` keeps until it has been read
// back and found identical, free inside `folder` under both names.
std::string uncheckedNameIn(const HeldFolder& folder, const std::string& name, int longestName,
                            const FileSystem& fileSystem);

// True for the name of a hidden copy that was complete but not yet checked.
bool isUncheckedName(const std::string& entry);

// True where `entry` is the name of an unfinished copy of `name`.
bool isUnfinishedName(const std::string& entry, const std::string& name);

// How well `entry` names a copy of `name`: 2 its own name or that of a copy
// of it not yet checked, 1 a numbered one (which may be another item's own
// name), 0 none.
int copyNameRank(const std::string& entry, const std::string& name);
