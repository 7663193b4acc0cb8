#pragma once
// Whole copies that earlier runs left on the destination, found before a
// run writes anything, so that a move cut short (a stop, a dead battery, a
// drive knocked out) goes on instead of copying everything again.
//
// An earlier copy of an item lies in a dated folder under the destination's
// Loftwell folder, on the destination's own drive, in the folder of the
// item's location, under the item's name, a numbered one ("Report 2.pdf")
// or the hidden name of a complete copy not yet checked (copy_names.h);
// never the hidden name of a copy still being written, never the item
// itself (reached through a link, or a hard link to it). It is offered only
// where its layout (copy_match.h) is the original's. A run that uses it
// reads it back and compares it with the original like a copy it made.

#include "fs/file_system.h"
#include "model/candidate.h"

#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct EarlierCopy {
    std::filesystem::path folder; // the folder of its location, in the earlier dated folder
    std::string name;             // its name there
    std::string run;              // the dated folder's name: when that run started
};

// An unfinished copy of an item, left in an earlier run's folder.
struct LeftUnfinished {
    std::filesystem::path dated;
    std::filesystem::path folder;
    std::string name;
};

struct EarlierCopies {
    // By the item's own path (its `sourceURL`), whatever order the items are in.
    std::map<std::filesystem::path, EarlierCopy> items;
    std::vector<LeftUnfinished> unfinished;

    std::int64_t count() const { return std::int64_t(items.size()); }
    // The earlier copy of the item at `source`, if any.
    const EarlierCopy* of(const std::filesystem::path& source) const;
    // The dated folders they are in, newest first.
    QStringList runs() const;
};

// Removes the unfinished copies that runs which are no longer going on
// left (a run killed while copying), and their folders where that empties
// them. A folder a live run holds is left as it is.
void removeLeftUnfinished(const EarlierCopies& earlier, std::uint64_t device, const FileSystem& fileSystem);

EarlierCopies findEarlierCopies(const std::vector<Candidate>& items, const std::filesystem::path& to,
                                const FileSystem& fileSystem);
