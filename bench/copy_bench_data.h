#pragma once
// The copy benchmark's data: its tree, generated once and reproducibly, and
// a read of a copy straight from its drive, the least a re-read can cost.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

inline void writePattern(const std::filesystem::path& path, std::size_t bytes, std::mt19937_64& random)
{
    std::vector<std::uint64_t> block(1 << 17);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    while (bytes > 0) {
        for (auto& word : block)
            word = random();
        const std::size_t n = std::min(bytes, block.size() * sizeof(std::uint64_t));
        if (::write(fd, block.data(), n) != ssize_t(n))
            std::exit(1);
        bytes -= n;
    }
    ::close(fd);
}

// Four 512 MiB files and 20,000 small ones (about 0.94 GB) under `data`, made once.
inline void generate(const std::filesystem::path& data)
{
    namespace fs = std::filesystem;
    if (fs::exists(data / ".complete"))
        return;
    std::printf("generating %s (once) ...\n", data.c_str());
    std::fflush(stdout);
    fs::remove_all(data);
    std::mt19937_64 random(7);
    fs::create_directories(data / "large");
    for (int i = 0; i < 4; ++i)
        writePattern(data / "large" / ("part-" + std::to_string(i) + ".bin"), 512u << 20, random);
    for (int i = 0; i < 20000; ++i) {
        const fs::path folder = data / "small" / ("folder-" + std::to_string(i / 200));
        fs::create_directories(folder);
        writePattern(folder / ("file-" + std::to_string(i) + ".dat"), 1000 + random() % 92000, random);
    }
    std::ofstream(data / ".complete") << "ok\n";
}

// Reads every file below `folder` straight from the drive (O_DIRECT, 4 MiB
// requests), as the verification's re-read does.
inline int readDirect(const std::filesystem::path& folder)
{
    void* buffer = std::aligned_alloc(4096, 4 << 20);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECT);
        if (fd < 0)
            fd = ::open(entry.path().c_str(), O_RDONLY); // FUSE may refuse O_DIRECT
        while (::read(fd, buffer, 4 << 20) > 0) {
        }
        ::close(fd);
    }
    std::free(buffer);
    return 0;
}

} // namespace bench
