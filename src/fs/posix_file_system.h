#pragma once
// The file-system layer on POSIX calls over byte paths (openat, fstatat,
// getdents64), made through a SystemIo: the real system calls unless a test
// hands in one that injects faults. Stateless, so one instance serves the
// GUI thread and the worker at once.

#include "fs/file_system.h"
#include "fs/posix_system_io.h"

class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem() = default;
    // `io` must outlive this.
    explicit PosixFileSystem(const SystemIo& io) : io_(&io) {}
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;

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
    std::optional<std::filesystem::path> userFolder(UserFolder folder) const override;
    std::vector<std::filesystem::path> driveMountPoints() const override;
    std::optional<std::filesystem::path> mountPoint(const std::filesystem::path& item) const override;
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

    const SystemIo& io() const { return *io_; }

private:
    PosixSystemIo posix_;
    const SystemIo* io_ = &posix_;
};
