#pragma once
// A folder held open by the file-system layer. Whatever is made through it
// lands in that very folder, on the drive it was opened on, even when the
// path that led to it has since been unmounted or replaced: a detached drive
// makes calls fail instead of landing on another disk. Copies share the one
// descriptor, which is closed when the last copy goes. A plain value; may
// be passed between threads.

#include <cstdint>
#include <filesystem>
#include <memory>

class HeldFolder {
public:
    HeldFolder() = default;
    // Takes over `descriptor`, an open folder of `device` reached at `path`.
    HeldFolder(int descriptor, std::uint64_t device, std::uint64_t inode, std::filesystem::path path);

    bool valid() const { return state_ != nullptr; }
    int descriptor() const;
    std::uint64_t device() const;
    std::uint64_t inode() const;
    // Where the folder was when it was opened: for texts, and to notice
    // that the path no longer leads to it.
    const std::filesystem::path& path() const;

private:
    struct State;
    std::shared_ptr<const State> state_;
};
