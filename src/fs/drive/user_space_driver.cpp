#include "fs/drive/user_space_driver.h"

bool servedInUserSpace(std::optional<long> fileSystemType, const std::optional<MountEntry>& mount)
{
    constexpr long fuseMagic = 0x65735546;
    if (!fileSystemType || *fileSystemType == fuseMagic)
        return true;
    return mount && (mount->type == "fuseblk" || mount->type == "fuse" || mount->type.starts_with("fuse."));
}
