#pragma once
// A copy a run made (or took from an earlier run), from its copy to its check.

#include "fs/file_system.h"
#include "model/candidate.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "transfer/run_folders.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <string>

struct MadeCopy {
    std::string rootFolder;    // the name of its per-root folder
    std::string name;          // its name on the drive now
    bool named = false;        // it has its own name (a folder where renaming one loses it, or named for its check)
    std::string uncheckedName; // where this run named it for its check: the hidden name it had before
    CopyManifest manifest;
    // A copy an earlier run made, taken instead of a new one: its folder
    // among the run's earlier ones, and that run's dated folder.
    std::string earlierFolder;
    std::string earlierRun;
};

inline const HeldFolder& folderOf(const MadeCopy& made, const RunFolders& folders)
{
    return made.earlierFolder.empty() ? folders.perRoot.at(made.rootFolder) : folders.earlier.at(made.earlierFolder);
}

// The length an item is expected to have, for progress.
inline std::int64_t itemLength(const Candidate& item)
{
    return std::max<std::int64_t>(0, item.fingerprint() ? item.fingerprint()->lengthBytes : item.sizeBytes());
}

// An item the user's stop kept from going on.
inline FsError stoppedError(const Candidate& item)
{
    return FsError{systemError(ECANCELED), item.sourceURL()};
}

// The item's name as the report shows it.
inline QString displayName(const Candidate& item)
{
    return displayText(std::string_view(lastPathComponent(item.sourceURL())));
}
