#pragma once
// The folders of one run, held open: everything is made through them, so
// it lands on the drive the user chose or fails.
//   destination/Loftwell/yyyy-MM-dd_HH-mm-ss/root name/
// Before the copies are read back, a drive may be unmounted and mounted
// again; the run then lets go of its folders and finds them again.

#include "fs/file_system.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

struct RunFolders {
    HeldFolder destination;
    HeldFolder dated;
    DestinationRules rules; // what the destination can hold
    // Made as the first item of each root needs it, then held.
    std::map<std::string, HeldFolder> perRoot;
    // Folders of earlier runs whose copies this run takes, by their place
    // below the destination.
    std::map<std::string, HeldFolder> earlier;
    // Which of them this run made, so that it may remove them again when
    // they hold nothing at its end.
    bool datedMade = false;
    std::set<std::string> rootsMade;
};

// The run's folders, made or reused below `to` as real folders on its drive.
FsResult<RunFolders> holdRunFolders(const std::filesystem::path& to, const std::string& loftwell,
                                    const std::string& stamp, const FileSystem& fileSystem);

// The per-root folder `name`, made when missing, held from then on.
FsResult<HeldFolder> perRootFolder(RunFolders& folders, const std::string& name, const FileSystem& fileSystem);

// Where the run's folders are on their drive, to find them again.
struct RunPlaces {
    std::filesystem::path destination; // relative to the drive's mount point
    std::filesystem::path dated;
    std::vector<std::string> roots;
    std::vector<std::string> earlier; // below the destination
    std::uint64_t datedDevice = 0;
    std::uint64_t datedInode = 0;
};

// None where a folder does not lie below `mountPoint`.
std::optional<RunPlaces> runPlaces(const RunFolders& folders, const std::filesystem::path& mountPoint,
                                   const FileSystem& fileSystem);

// The run's folders, already there, opened again below `mountPoint`: all on
// one drive, and with `sameFolder` the very dated folder held before.
FsResult<RunFolders> reholdRunFolders(const RunPlaces& places, const std::filesystem::path& mountPoint,
                                      const DestinationRules& rules, bool sameFolder, const FileSystem& fileSystem);
