#include "fs/held_folder.h"

#include <unistd.h>

struct HeldFolder::State {
    State(int descriptor, std::uint64_t device, std::uint64_t inode, std::filesystem::path path)
        : descriptor(descriptor), device(device), inode(inode), path(std::move(path))
    {
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { ::close(descriptor); }

    const int descriptor;
    const std::uint64_t device;
    const std::uint64_t inode;
    const std::filesystem::path path;
};

HeldFolder::HeldFolder(int descriptor, std::uint64_t device, std::uint64_t inode, std::filesystem::path path)
    : state_(std::make_shared<const State>(descriptor, device, inode, std::move(path)))
{
}

int HeldFolder::descriptor() const
{
    return state_ ? state_->descriptor : -1;
}

std::uint64_t HeldFolder::device() const
{
    return state_ ? state_->device : 0;
}

std::uint64_t HeldFolder::inode() const
{
    return state_ ? state_->inode : 0;
}

const std::filesystem::path& HeldFolder::path() const
{
    static const std::filesystem::path none;
    return state_ ? state_->path : none;
}
