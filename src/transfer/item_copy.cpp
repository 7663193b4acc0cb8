#include "transfer/item_copy.h"

#include "fs/drive/destination_rules.h"
#include "model/path_ops.h"
#include "scan/candidate_scanner.h"
#include "transfer/copy_names.h"
#include "transfer/run_paths.h"
#include "transfer/same_disk.h"
#include "transfer/unique_destination.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

// An item that changed since the scan (still being downloaded, say) is not
// what the user chose to move. The scan's fingerprint is compared where
// there is one, else the size the scan measured.
FsResult<void> unchangedSinceScan(const Candidate& item, const FileSystem& fileSystem, const std::stop_token& stop)
{
    const fs::path& source = item.sourceURL();
    if (const auto& scanned = item.fingerprint()) {
        const ItemMeasure now = measureItem(source, fileSystem, stop);
        if (stop.stop_requested())
            return stoppedError(item);
        if (now.fingerprint != *scanned)
            return FsError{FsErrc::changedSinceScan, source};
    } else if (item.sizeBytes() > 0 && itemSize(source, fileSystem, stop) != item.sizeBytes()) {
        return FsError{FsErrc::sizeCheckFailed, source};
    }
    return {};
}

// What is not a file or folder to move, said for what it is rather than
// for what copying it would run into.
FsResult<void> movable(const fs::path& source, const ItemValues& values, const RunFolders& folders,
                       const FileSystem& fileSystem)
{
    if (values.type == ItemType::other)
        return FsError{FsErrc::notFileOrFolder, source};
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const fs::path homeTrash =
        (dataHome && dataHome[0] == '/' ? fs::path(dataHome) : fileSystem.homeDirectory() / ".local" / "share") /
        "Trash";
    bool inTrash = isInside(source, homeTrash, fileSystem);
    for (const fs::path& part : source) // a drive's own Trash: .Trash or .Trash-UID at its top
        inTrash = inTrash || part.native() == ".Trash" || part.native().starts_with(".Trash-");
    if (inTrash)
        return FsError{FsErrc::isTheTrash, source};
    // On a drive (not this computer's own disk) the item would only move
    // within it, and a drive unmounted for the check takes the item along.
    if (values.device != 0 && values.device == folders.destination.device() &&
        !onSystemOrHomeDisk(folders.destination.path(), fileSystem))
        return FsError{FsErrc::onTheDestination, source};
    return {};
}

} // namespace

FsResult<void> useEarlierCopy(const Candidate& item, const EarlierCopy& earlier, const fs::path& to,
                              RunFolders& folders, const FileSystem& fileSystem, const std::stop_token& stop,
                              RunMeter& meter, MadeCopy& made)
{
    if (auto unchanged = unchangedSinceScan(item, fileSystem, stop); !unchanged)
        return unchanged;
    const fs::path copy = earlier.folder / earlier.name;
    if (isInside(copy, item.sourceURL(), fileSystem) || isInside(item.sourceURL(), copy, fileSystem))
        return FsError{FsErrc::copyIntoItself, item.sourceURL()};
    const std::string key = earlier.folder.lexically_relative(to).native();
    if (!folders.earlier.contains(key)) {
        auto held = fileSystem.holdFolder(earlier.folder);
        if (!held)
            return held.error();
        if (held.value().device() != folders.destination.device())
            return FsError{FsErrc::notARealFolder, earlier.folder};
        folders.earlier.emplace(key, held.value());
    }
    auto recorded = fileSystem.recordItem(item.sourceURL(), CopyOptions{true, stop, meter.counter()});
    if (!recorded)
        return recorded.error();
    made.manifest = std::move(recorded).value();
    made.earlierFolder = key;
    made.earlierRun = earlier.run;
    made.name = earlier.name;
    made.named = !isUncheckedName(earlier.name);
    return {};
}

FsResult<void> copyItemToDrive(const Candidate& item, RunFolders& folders, const FileSystem& fileSystem,
                               const std::stop_token& stop, RunMeter& meter, DrivePacer* pacer, MadeCopy& made)
{
    const fs::path& source = item.sourceURL();
    made.rootFolder = folderComponent(item.rootName());
    if (isInside(folders.dated.path() / made.rootFolder, source, fileSystem))
        return FsError{FsErrc::copyIntoItself, source};
    const auto values = fileSystem.itemValues(source);
    if (values) {
        if (auto fit = movable(source, values.value(), folders, fileSystem); !fit)
            return fit;
    }
    // What the destination cannot hold is refused before anything of the
    // item is written, not after an hour of copying.
    if (const auto problem = nameProblem(made.rootFolder, folders.rules))
        return FsError{*problem, source};
    if (auto fits = fileSystem.checkItemFits(source, lastPathComponent(source), folders.rules, folders.dated); !fits)
        return fits;
    if (auto unchanged = unchangedSinceScan(item, fileSystem, stop); !unchanged)
        return unchanged;
    // Held before the copy starts: flushing through it reports every
    // write-back error of the drive since.
    const auto perRoot = perRootFolder(folders, made.rootFolder, fileSystem);
    if (!perRoot)
        return perRoot.error();
    const HeldFolder& folder = perRoot.value();

    // A copy cut short must not pass for one: it is made under a hidden
    // name and gets its own only once checked. (Not a folder where renaming
    // one loses its contents: fusefat's FAT32.)
    const std::string name = lastPathComponent(source);
    made.named = !folders.rules.folderRenameKeepsContents && values && values.value().isDirectory();
    const std::string unfinished = made.named ? uniqueNameIn(folder, name, fileSystem)
                                              : unfinishedNameIn(folder, name, folders.rules.longestName, fileSystem);
    auto copied = fileSystem.copyItem(source, folder, unfinished, CopyOptions{true, stop, meter.counter(), pacer});
    if (!copied) {
        // A stopped copy is removed; a failed one stays, as evidence. One
        // that cannot be removed is named, as it stays on the drive.
        if (copied.error().code == std::errc::operation_canceled &&
            !fileSystem.removeUnfinishedCopy(folder, unfinished))
            return FsError{FsErrc::unfinishedCopyLeft, folder.path() / unfinished, unfinished};
        return copied.error();
    }
    made.manifest = std::move(copied).value();
    made.name = unfinished;
    if (made.named)
        return {};
    auto unchecked = renameToFreeName(
        folder, unfinished, [&] { return uncheckedNameIn(folder, name, folders.rules.longestName, fileSystem); },
        fileSystem);
    if (!unchecked)
        return unchecked.error();
    made.name = unchecked.value();
    return {};
}
