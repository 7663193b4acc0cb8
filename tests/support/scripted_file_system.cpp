#include "support/scripted_file_system.h"

#include <algorithm>

#include "fs/trash/freedesktop_trash.h"

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

FsResult<std::vector<DirectoryEntry>> ScriptedFileSystem::listDirectory(const fs::path& directory) const
{
    if (auto it = listingErrors_.find(directory.native()); it != listingErrors_.end())
        return FsError{it->second, directory};
    return real_.listDirectory(directory);
}

FsResult<ItemValues> ScriptedFileSystem::itemValues(const fs::path& item) const
{
    if (auto it = valueErrors_.find(item.native()); it != valueErrors_.end())
        return FsError{it->second, item};
    if (auto it = values_.find(item.native()); it != values_.end())
        return it->second;
    return real_.itemValues(item);
}

TreeMeasure ScriptedFileSystem::treeMeasure(const fs::path& folder, std::stop_token stop, ScanTally* tally) const
{
    ++treeSizeCalls_;
    TreeMeasure measure = real_.treeMeasure(folder, std::move(stop), tally);
    if (auto it = treeSizes_.find(folder.native()); it != treeSizes_.end())
        measure.allocatedBytes = it->second;
    return measure;
}

// The real shared walk, with the scripted sizes in place of what it found.
std::vector<TreeMeasure> ScriptedFileSystem::treeMeasures(const std::vector<fs::path>& folders, std::stop_token stop,
                                                          ScanTally* tally,
                                                          const std::function<void(std::size_t)>& started) const
{
    treeSizeCalls_ += int(folders.size());
    std::vector<TreeMeasure> measures = real_.treeMeasures(folders, std::move(stop), tally, started);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (auto it = treeSizes_.find(folders[i].native()); it != treeSizes_.end())
            measures[i].allocatedBytes = it->second;
    }
    return measures;
}

VolumeValues ScriptedFileSystem::volumeValues(const fs::path& folder) const
{
    if (auto it = volumes_.find(folder.native()); it != volumes_.end())
        return it->second;
    return real_.volumeValues(folder);
}

FsResult<HeldFolder> ScriptedFileSystem::holdFolder(const fs::path& folder) const
{
    if (auto it = createErrors_.find(folder.native()); it != createErrors_.end())
        return FsError{it->second, folder};
    return real_.holdFolder(folder);
}

FsResult<HeldFolder> ScriptedFileSystem::holdSubfolder(const HeldFolder& parent, const std::string& name) const
{
    const fs::path path = parent.path() / name;
    if (auto it = createErrors_.find(path.native()); it != createErrors_.end())
        return FsError{it->second, path};
    return real_.holdSubfolder(parent, name);
}

bool ScriptedFileSystem::stillAvailable(const HeldFolder& folder) const
{
    return real_.stillAvailable(folder);
}

DestinationRules ScriptedFileSystem::destinationRules(const HeldFolder& folder) const
{
    return real_.destinationRules(folder);
}

FsResult<void> ScriptedFileSystem::checkItemFits(const fs::path& source, const std::string& name,
                                                 const DestinationRules& rules, const HeldFolder& into) const
{
    return real_.checkItemFits(source, name, rules, into);
}

bool ScriptedFileSystem::exists(const fs::path& path) const
{
    return real_.exists(path);
}

bool ScriptedFileSystem::existsIn(const HeldFolder& folder, const std::string& name) const
{
    return real_.existsIn(folder, name);
}

fs::path ScriptedFileSystem::resolvedPath(const fs::path& path) const
{
    return real_.resolvedPath(path);
}

std::optional<fs::path> ScriptedFileSystem::userFolder(UserFolder folder) const
{
    if (const auto set = userFolders_.find(folder); set != userFolders_.end())
        return set->second;
    return home_.empty() ? real_.userFolder(folder) : home_ / defaultUserFolderName(folder);
}

fs::path ScriptedFileSystem::homeDirectory() const
{
    return home_.empty() ? real_.homeDirectory() : home_;
}

FsResult<CopyManifest> ScriptedFileSystem::copyItem(const fs::path& source, const HeldFolder& into,
                                                    const std::string& name, const CopyOptions& options) const
{
    if (auto it = copyErrors_.find(source.native()); it != copyErrors_.end())
        return FsError{it->second, source};
    auto result = real_.copyItem(source, into, name, options);
    auto it = corruptions_.find(source.native());
    if (it == corruptions_.end())
        it = corruptions_.find(name);
    if (result && it != corruptions_.end()) {
        const fs::path target = into.path() / name;
        const fs::path file = it->second.empty() ? target : target / it->second;
        const int fd = ::open(file.c_str(), O_RDWR);
        char byte = 0;
        if (fd >= 0 && ::pread(fd, &byte, 1, 0) == 1) {
            byte = char(byte ^ 0x20);
            (void)::pwrite(fd, &byte, 1, 0);
        }
        if (fd >= 0)
            ::close(fd);
    }
    return result;
}

FsResult<void> ScriptedFileSystem::verifyCopy(const fs::path& source, const HeldFolder& into, const std::string& name,
                                              const CopyManifest& manifest, CopyCheck check, std::stop_token stop,
                                              ByteCounter verified) const
{
    return real_.verifyCopy(source, into, name, manifest, check, std::move(stop), std::move(verified));
}

DriveAccess ScriptedFileSystem::driveAccess(const HeldFolder& folder) const
{
    return driveAccess_ ? *driveAccess_ : real_.driveAccess(folder);
}

RemountResult ScriptedFileSystem::remountDrive(const DriveAccess& drive, bool readOnly) const
{
    return real_.remountDrive(drive, readOnly);
}

FsResult<void> ScriptedFileSystem::claimDrive(const HeldFolder& folder, DriveClaim& claim) const
{
    return real_.claimDrive(folder, claim);
}

FsResult<void> ScriptedFileSystem::flushCopy(const HeldFolder& into, const std::string& name) const
{
    return real_.flushCopy(into, name);
}

FsResult<void> ScriptedFileSystem::renameCopy(const HeldFolder& into, const std::string& from,
                                              const std::string& to) const
{
    return real_.renameCopy(into, from, to);
}

FsResult<void> ScriptedFileSystem::removeUnfinishedCopy(const HeldFolder& into, const std::string& name) const
{
    return real_.removeUnfinishedCopy(into, name);
}

bool ScriptedFileSystem::removeEmptyFolder(const HeldFolder& folder) const
{
    return real_.removeEmptyFolder(folder);
}

FsResult<fs::path> ScriptedFileSystem::trashItem(const fs::path& item, const CopyManifest& copied) const
{
    if (auto it = trashErrors_.find(item.native()); it != trashErrors_.end())
        return FsError{it->second, item};
    // The scripted home, never the real one: tests must not fill the user's Trash.
    return moveToTrash(real_.io(), item, TrashEnvironment{homeDirectory(), std::nullopt, ::getuid()}, &copied);
}

FsResult<void> ScriptedFileSystem::restoreFromTrash(const fs::path& trashed, const fs::path& original,
                                                    const HeldFolder& into, const std::string& name) const
{
    return real_.restoreFromTrash(trashed, original, into, name);
}

bool ScriptedFileSystem::startAccessing(const fs::path& folder)
{
    accessStarts_.fetch_add(1);
    const bool started = real_.startAccessing(folder);
    if (started) {
        const std::lock_guard lock(accessMutex_);
        openAccesses_.push_back(folder);
    }
    return started;
}

std::vector<fs::path> ScriptedFileSystem::openAccesses() const
{
    const std::lock_guard lock(accessMutex_);
    return openAccesses_;
}

void ScriptedFileSystem::stopAccessing(const fs::path& folder)
{
    accessStops_.fetch_add(1);
    {
        const std::lock_guard lock(accessMutex_);
        const auto open = std::find(openAccesses_.begin(), openAccesses_.end(), folder);
        if (open != openAccesses_.end())
            openAccesses_.erase(open);
    }
    real_.stopAccessing(folder);
}

FsResult<CopyManifest> ScriptedFileSystem::recordItem(const fs::path& source, const CopyOptions& options) const
{
    return real_.recordItem(source, options);
}

std::optional<std::int64_t> ScriptedFileSystem::timeTolerance(const HeldFolder& folder) const
{
    return real_.timeTolerance(folder);
}

FsResult<std::vector<DirectoryEntry>> ScriptedFileSystem::folderEntries(const HeldFolder& folder) const
{
    return real_.folderEntries(folder);
}

bool ScriptedFileSystem::looksLikeCopy(const fs::path& source, const HeldFolder& folder, const std::string& name,
                                       std::int64_t timeToleranceNs, std::stop_token stop) const
{
    return real_.looksLikeCopy(source, folder, name, timeToleranceNs, std::move(stop));
}

FsResult<void> ScriptedFileSystem::claimRunFolder(const HeldFolder& folder) const
{
    return real_.claimRunFolder(folder);
}

bool ScriptedFileSystem::runFolderClaimed(const HeldFolder& folder) const
{
    return real_.runFolderClaimed(folder);
}
