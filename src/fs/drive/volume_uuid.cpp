#include "fs/drive/volume_uuid.h"

#include "fs/drive/mount_table.h"

#include "fs/unique_fd.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::uint64_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

std::string uuidText(const unsigned char* bytes)
{
    std::string text;
    for (int i = 0; i < 16; ++i) {
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02x", bytes[i]);
        text += hex.data();
        if (i == 3 || i == 5 || i == 7 || i == 9)
            text += '-';
    }
    return text;
}

std::string serialText(std::uint64_t serial)
{
    std::array<char, 10> text{};
    std::snprintf(text.data(), text.size(), "%04X-%04X", unsigned(serial >> 16) & 0xFFFFu, unsigned(serial & 0xFFFFu));
    return text.data();
}

// The first blocks of a device, where every file system this knows keeps its identity.
struct FirstBlocks {
    explicit FirstBlocks(const std::string& device) : fd(::open(device.c_str(), O_RDONLY | O_CLOEXEC))
    {
        read = fd.valid() && ::pread(fd.get(), block.data(), block.size(), 0) == ssize_t(block.size());
    }
    bool holds(std::size_t offset, const char* text) const
    {
        return std::memcmp(block.data() + offset, text, std::strlen(text)) == 0;
    }

    UniqueFd fd;
    std::array<unsigned char, 2048> block{};
    bool read = false;
};

// Where no udev names the devices (a container, a rescue system), the
// UUID is read from the file system's first blocks, as udev would name it;
// only where the device can be read.
std::optional<std::string> uuidFromSuperblock(const std::string& device)
{
    const FirstBlocks first(device);
    if (!first.read)
        return std::nullopt;
    const auto& block = first.block;
    const auto at = [&](std::size_t offset, const char* text) { return first.holds(offset, text); };
    if (littleEndian(&block[1080], 2) == 0xEF53) // ext2, ext3, ext4
        return uuidText(&block[1128]);
    if (at(0, "XFSB"))
        return uuidText(&block[32]);
    if (at(3, "EXFAT   "))
        return serialText(littleEndian(&block[100], 4));
    if (at(3, "NTFS    ")) {
        std::array<char, 17> text{};
        std::snprintf(text.data(), text.size(), "%016llX",
                      static_cast<unsigned long long>(littleEndian(&block[72], 8)));
        return std::string(text.data());
    }
    if (at(82, "FAT32   "))
        return serialText(littleEndian(&block[67], 4));
    if (at(54, "FAT16   ") || at(54, "FAT12   "))
        return serialText(littleEndian(&block[39], 4));
    return std::nullopt;
}

std::string trimmed(const unsigned char* bytes, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(bytes), size);
    text.resize(std::strlen(text.c_str()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// exFAT keeps its label in the root folder's first cluster, as UTF-16.
std::optional<std::string> exfatLabel(int fd, const unsigned char* boot)
{
    const unsigned sectorShift = boot[108];
    const unsigned clusterShift = boot[109];
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift)
        return std::nullopt;
    const std::uint64_t heap = littleEndian(&boot[88], 4) << sectorShift;
    const std::uint64_t root = littleEndian(&boot[96], 4);
    if (root < 2)
        return std::nullopt;
    std::array<unsigned char, 4096> entries{};
    const off_t at = off_t(heap + ((root - 2) << (sectorShift + clusterShift)));
    const std::size_t size = std::min<std::size_t>(entries.size(), std::size_t(1) << (sectorShift + clusterShift));
    if (::pread(fd, entries.data(), size, at) != ssize_t(size))
        return std::nullopt;
    for (std::size_t entry = 0; entry + 32 <= size; entry += 32) {
        if (entries[entry] != 0x83)
            continue;
        const int count = std::min<int>(entries[entry + 1], 11);
        QString label;
        for (int i = 0; i < count; ++i)
            label += QChar(char16_t(littleEndian(&entries[entry + 2 + 2 * std::size_t(i)], 2)));
        return label.toStdString();
    }
    return std::nullopt;
}

std::optional<std::string> labelFromSuperblock(const std::string& device)
{
    const FirstBlocks first(device);
    if (!first.read)
        return std::nullopt;
    const auto& block = first.block;
    const auto at = [&](std::size_t offset, const char* text) { return first.holds(offset, text); };
    std::string label;
    if (littleEndian(&block[1080], 2) == 0xEF53)
        label = trimmed(&block[1144], 16);
    else if (at(0, "XFSB"))
        label = trimmed(&block[108], 12);
    else if (at(3, "EXFAT   "))
        label = exfatLabel(first.fd.get(), block.data()).value_or(std::string());
    else if (at(82, "FAT32   "))
        label = trimmed(&block[71], 11);
    else if (at(54, "FAT16   ") || at(54, "FAT12   "))
        label = trimmed(&block[43], 11);
    if (label.empty() || label == "NO NAME")
        return std::nullopt;
    return label;
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
    if (!device)
        return std::nullopt;
    if (!listing)
        return uuidFromSuperblock(*device);
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && realPath(folder + "/" + name) == device)
            return name;
    }
    return uuidFromSuperblock(*device);
}

std::optional<std::string> fileSystemLabel(const std::filesystem::path& mountPoint)
{
    const auto mount = mountAt(mountPoint);
    if (!mount || !mount->source.starts_with("/dev/"))
        return std::nullopt;
    const auto device = realPath(mount->source);
    return device ? labelFromSuperblock(*device) : std::nullopt;
}
