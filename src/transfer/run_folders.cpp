#include "transfer/run_folders.h"

namespace fs = std::filesystem;

namespace {

// `path` below `mountPoint`, as a relative path; none elsewhere.
std::optional<fs::path> below(const fs::path& path, const fs::path& mountPoint)
{
    const fs::path relative = path.lexically_relative(mountPoint);
    if (relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    return relative;
}

// An existing folder at `path`, on `device`.
FsResult<HeldFolder> holdExisting(const fs::path& path, std::uint64_t device, const FileSystem& fileSystem)
{
    auto held = fileSystem.holdFolder(path);
    if (!held)
        return held.error().code == std::errc::no_such_file_or_directory ? FsError{FsErrc::driveNotMountedBack, path}
                                                                         : held.error();
    if (held.value().device() != device)
        return FsError{FsErrc::notARealFolder, path};
    return held;
}

} // namespace

FsResult<RunFolders> holdRunFolders(const fs::path& to, const std::string& loftwell, const std::string& stamp,
                                    const FileSystem& fileSystem)
{
    auto destination = fileSystem.holdFolder(to);
    if (!destination) {
        if (destination.error().code == std::errc::no_such_file_or_directory)
            return FsError{FsErrc::destinationMissing, to};
        return destination.error();
    }
    auto loftwellFolder = fileSystem.holdSubfolder(destination.value(), loftwell);
    if (!loftwellFolder)
        return loftwellFolder.error();
    // (Where it cannot be told, the folder counts as not made here.)
    const bool made = !fileSystem.existsIn(loftwellFolder.value(), stamp);
    auto dated = fileSystem.holdSubfolder(loftwellFolder.value(), stamp);
    if (!dated)
        return dated.error();
    return RunFolders{destination.value(), dated.value(), fileSystem.destinationRules(dated.value()), {}, {}, made, {}};
}

FsResult<HeldFolder> perRootFolder(RunFolders& folders, const std::string& name, const FileSystem& fileSystem)
{
    if (const auto held = folders.perRoot.find(name); held != folders.perRoot.end())
        return held->second;
    const bool fresh = !fileSystem.existsIn(folders.dated, name);
    auto made = fileSystem.holdSubfolder(folders.dated, name);
    if (!made)
        return made.error();
    if (fresh)
        folders.rootsMade.insert(name);
    return folders.perRoot.emplace(name, made.value()).first->second;
}

std::optional<RunPlaces> runPlaces(const RunFolders& folders, const fs::path& mountPoint, const FileSystem& fileSystem)
{
    const auto destination = below(fileSystem.resolvedPath(folders.destination.path()), mountPoint);
    const auto dated = below(fileSystem.resolvedPath(folders.dated.path()), mountPoint);
    if (!destination || !dated)
        return std::nullopt;
    RunPlaces places{*destination, *dated, {}, {}, folders.dated.device(), folders.dated.inode()};
    for (const auto& [name, folder] : folders.perRoot)
        places.roots.push_back(name);
    for (const auto& [place, folder] : folders.earlier)
        places.earlier.push_back(place);
    return places;
}

FsResult<RunFolders> reholdRunFolders(const RunPlaces& places, const fs::path& mountPoint,
                                      const DestinationRules& rules, bool sameFolder, const FileSystem& fileSystem)
{
    auto root = fileSystem.holdFolder(mountPoint);
    if (!root)
        return FsError{FsErrc::driveNotMountedBack, mountPoint};
    const std::uint64_t device = root.value().device();
    RunFolders folders;
    folders.rules = rules;
    const auto at = [&](const fs::path& relative) { return relative == "." ? mountPoint : mountPoint / relative; };
    auto destination = holdExisting(at(places.destination), device, fileSystem);
    if (!destination)
        return destination.error();
    folders.destination = destination.value();
    auto dated = holdExisting(at(places.dated), device, fileSystem);
    if (!dated)
        return dated.error();
    if (sameFolder && (dated.value().device() != places.datedDevice || dated.value().inode() != places.datedInode))
        return FsError{FsErrc::destinationGone, dated.value().path()};
    folders.dated = dated.value();
    for (const std::string& name : places.roots) {
        auto perRoot = holdExisting(folders.dated.path() / name, device, fileSystem);
        if (!perRoot)
            return perRoot.error();
        folders.perRoot.emplace(name, perRoot.value());
    }
    for (const std::string& place : places.earlier) {
        auto earlier = holdExisting(folders.destination.path() / place, device, fileSystem);
        if (!earlier)
            return earlier.error();
        folders.earlier.emplace(place, earlier.value());
    }
    return folders;
}
