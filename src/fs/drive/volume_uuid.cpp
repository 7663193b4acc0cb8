#include "fs/drive/volume_uuid.h"

#include "fs/drive/mount_table.h"

#include <dirent.h>

#include <cstdlib>
#include <memory>

namespace {

struct CloseDir {
    void operator()(DIR* listing) const { ::closedir(listing); }
};

std::optional<std::string> realPath(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

} // namespace

std::optional<std::string> fileSystemUuid(const std::filesystem::path& mountPoint)
{
    const auto mount = mountAt(mountPoint);
    if (!mount || !mount->source.starts_with("/dev/"))
        return std::nullopt;
    const auto device = realPath(mount->source);
    const std::string folder = "/dev/disk/by-uuid";
    const std::unique_ptr<DIR, CloseDir> listing(::opendir(folder.c_str()));
    if (!device || !listing)
        return std::nullopt;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && realPath(folder + "/" + name) == device)
            return name;
    }
    return std::nullopt;
}
