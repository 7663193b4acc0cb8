#pragma once
// The file-system layer on POSIX calls over byte paths (openat, fstatat,
// getdents64). Stateless but for the access counters, which are atomic, so
// one instance serves the GUI thread and the worker at once.

#include "model/file_system.h"

#include <atomic>

class PosixFileSystem : public FileSystem {
public:
    FsResult<std::vector<DirectoryEntry>> listDirectory(const std::filesystem::path& directory) const override;
    FsResult<ItemValues> itemValues(const std::filesystem::path& item) const override;
    std::int64_t treeSize(const std::filesystem::path& folder, const std::atomic<bool>* stop = nullptr) const override;
    VolumeValues volumeValues(const std::filesystem::path& folder) const override;
    FsResult<void> createDirectories(const std::filesystem::path& folder) const override;
    bool exists(const std::filesystem::path& path) const override;
    std::filesystem::path homeDirectory() const override;
    FsResult<CopyManifest> copyItem(const std::filesystem::path& source, const std::filesystem::path& target,
                                    const CopyOptions& options) const override;
    FsResult<void> verifyCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                              const CopyManifest& manifest, bool compareContents,
                              const std::atomic<bool>* stop = nullptr) const override;
    FsResult<std::filesystem::path> trashItem(const std::filesystem::path& item,
                                              std::optional<ItemIdentity> expected = std::nullopt) const override;
    bool startAccessing(const std::filesystem::path& folder) override;
    void stopAccessing(const std::filesystem::path& folder) override;

    int accessStarts() const { return accessStarts_.load(); }
    int accessStops() const { return accessStops_.load(); }

private:
    std::atomic<int> accessStarts_{0};
    std::atomic<int> accessStops_{0};
};
