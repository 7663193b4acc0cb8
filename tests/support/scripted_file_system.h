#pragma once
// A file-system layer for tests: the real one, except for the answers a test
// scripts (a failing operation on a path, chosen item values or tree sizes,
// another home folder). It also counts calls so tests can check what the
// code under test asked for. Given a SystemIo, the real layer underneath
// makes its system calls through it (fault_injecting_io.h).

#include "fs/posix_file_system.h"

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>

class ScriptedFileSystem : public FileSystem {
public:
    ScriptedFileSystem() = default;
    explicit ScriptedFileSystem(const SystemIo& io) : real_(io) {}

    void failListing(const std::filesystem::path& path, std::error_code code) { listingErrors_[path.native()] = code; }
    void failItemValues(const std::filesystem::path& path, std::error_code code) { valueErrors_[path.native()] = code; }
    void setItemValues(const std::filesystem::path& path, ItemValues values) { values_[path.native()] = values; }
    // The measured size of a folder; its fingerprint stays the real one.
    void setTreeSize(const std::filesystem::path& path, std::int64_t size) { treeSizes_[path.native()] = size; }
    // Making or opening the folder at `path` (below a held folder) fails.
    void failCreate(const std::filesystem::path& path, std::error_code code) { createErrors_[path.native()] = code; }
    void setHome(const std::filesystem::path& home) { home_ = home; }
    void setVolumeValues(const std::filesystem::path& folder, VolumeValues values)
    {
        volumes_[folder.native()] = values;
    }
    void failCopy(const std::filesystem::path& source, std::error_code code) { copyErrors_[source.native()] = code; }
    // After a successful copy of `source`, flips one byte of the file at
    // `relative` inside the copy ("" for the copy itself).
    void corruptCopy(const std::filesystem::path& source, const std::string& relative)
    {
        corruptions_[source.native()] = relative;
    }
    // The same for a copy made under `name`, whatever its source.
    void corruptCopyNamed(const std::string& name) { corruptions_[name] = ""; }
    void failTrash(const std::filesystem::path& item, std::error_code code) { trashErrors_[item.native()] = code; }
    // Every destination's drive answers as `access` says; dropping a
    // device's cache fails with `code` (none: it works).
    void setDriveAccess(DriveAccess access) { driveAccess_ = std::move(access); }

    int treeSizeCalls() const { return treeSizeCalls_.load(); }
    int accessStarts() const { return accessStarts_.load(); }
    int accessStops() const { return accessStops_.load(); }
    // The folders whose access was started and not yet stopped, in the order started.
    std::vector<std::filesystem::path> openAccesses() const;
    const PosixFileSystem& real() const { return real_; }

    FsResult<std::vector<DirectoryEntry>> listDirectory(const std::filesystem::path& directory) const override;
    FsResult<ItemValues> itemValues(const std::filesystem::path& item) const override;
    TreeMeasure treeMeasure(const std::filesystem::path& folder, std::stop_token stop = {},
                            ScanTally* tally = nullptr) const override;
    std::vector<TreeMeasure> treeMeasures(const std::vector<std::filesystem::path>& folders, std::stop_token stop = {},
                                          ScanTally* tally = nullptr,
                                          const std::function<void(std::size_t)>& started = {}) const override;
    VolumeValues volumeValues(const std::filesystem::path& folder) const override;
    FsResult<HeldFolder> holdFolder(const std::filesystem::path& folder) const override;
    FsResult<HeldFolder> holdSubfolder(const HeldFolder& parent, const std::string& name) const override;
    bool stillAvailable(const HeldFolder& folder) const override;
    DestinationRules destinationRules(const HeldFolder& folder) const override;
    FsResult<void> checkItemFits(const std::filesystem::path& source, const std::string& name,
                                 const DestinationRules& rules, const HeldFolder& into) const override;
    bool exists(const std::filesystem::path& path) const override;
    bool existsIn(const HeldFolder& folder, const std::string& name) const override;
    std::filesystem::path resolvedPath(const std::filesystem::path& path) const override;
    std::filesystem::path homeDirectory() const override;
    // With a home of its own: the folders of an English desktop inside it,
    // unless one was set by name (the folders of a Chinese desktop, say).
    std::optional<std::filesystem::path> userFolder(UserFolder folder) const override;
    void setUserFolder(UserFolder folder, const std::filesystem::path& path) { userFolders_[folder] = path; }
    // None unless set: the machine's own mounts stay out of the tests.
    std::vector<std::filesystem::path> driveMountPoints() const override { return driveMounts_; }
    void setDriveMountPoints(std::vector<std::filesystem::path> mounts) { driveMounts_ = std::move(mounts); }
    std::optional<std::filesystem::path> mountPoint(const std::filesystem::path& item) const override
    {
        return real_.mountPoint(item);
    }
    FsResult<CopyManifest> copyItem(const std::filesystem::path& source, const HeldFolder& into,
                                    const std::string& name, const CopyOptions& options) const override;
    FsResult<void> verifyCopy(const std::filesystem::path& source, const HeldFolder& into, const std::string& name,
                              const CopyManifest& manifest, CopyCheck check, std::stop_token stop = {},
                              ByteCounter verified = {}) const override;
    FsResult<void> flushCopy(const HeldFolder& into, const std::string& name) const override;
    DriveAccess driveAccess(const HeldFolder& folder) const override;
    RemountResult remountDrive(const DriveAccess& drive, bool readOnly) const override;
    FsResult<void> claimDrive(const HeldFolder& folder, DriveClaim& claim) const override;
    FsResult<void> renameCopy(const HeldFolder& into, const std::string& from, const std::string& to) const override;
    FsResult<void> removeUnfinishedCopy(const HeldFolder& into, const std::string& name) const override;
    bool removeEmptyFolder(const HeldFolder& folder) const override;
    FsResult<CopyManifest> recordItem(const std::filesystem::path& source, const CopyOptions& options) const override;
    std::optional<std::int64_t> timeTolerance(const HeldFolder& folder) const override;
    FsResult<std::vector<DirectoryEntry>> folderEntries(const HeldFolder& folder) const override;
    bool looksLikeCopy(const std::filesystem::path& source, const HeldFolder& folder, const std::string& name,
                       std::int64_t timeToleranceNs, std::stop_token stop = {}) const override;
    FsResult<void> claimRunFolder(const HeldFolder& folder) const override;
    bool runFolderClaimed(const HeldFolder& folder) const override;
    FsResult<std::filesystem::path> trashItem(const std::filesystem::path& item,
                                              const CopyManifest& copied) const override;
    FsResult<void> restoreFromTrash(const std::filesystem::path& trashed, const std::filesystem::path& original,
                                    const HeldFolder& into, const std::string& name) const override;
    bool startAccessing(const std::filesystem::path& folder) override;
    void stopAccessing(const std::filesystem::path& folder) override;

private:
    PosixFileSystem real_;
    std::map<std::string, std::error_code> listingErrors_;
    std::map<std::string, std::error_code> valueErrors_;
    std::map<std::string, ItemValues> values_;
    std::map<std::string, std::int64_t> treeSizes_;
    std::map<std::string, std::error_code> createErrors_;
    std::map<std::string, std::error_code> copyErrors_;
    std::map<std::string, std::string> corruptions_;
    std::map<std::string, std::error_code> trashErrors_;
    std::map<std::string, VolumeValues> volumes_;
    std::filesystem::path home_;
    std::map<UserFolder, std::filesystem::path> userFolders_;
    std::vector<std::filesystem::path> driveMounts_;
    std::optional<DriveAccess> driveAccess_;
    mutable std::atomic<int> treeSizeCalls_{0};
    std::atomic<int> accessStarts_{0};
    std::atomic<int> accessStops_{0};
    mutable std::mutex accessMutex_;
    std::vector<std::filesystem::path> openAccesses_;
};
