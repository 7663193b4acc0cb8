#pragma once
// A fresh folder per test under the system's temporary folder, removed with
// everything in it at the end (after restoring permissions a test took away),
// and helpers that make files of exact sizes and awkward names in it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// A file of exactly `bytes` bytes of real data (so it is fully allocated),
// with its parent folders.
void writeFile(const std::filesystem::path& path, std::int64_t bytes, char fill = 'x');
// A file of `bytes` bytes with no data blocks at all.
void writeSparseFile(const std::filesystem::path& path, std::int64_t bytes);
void makeFolder(const std::filesystem::path& path);
// `size` bytes that differ with their place (and with `seed`), so a piece
// copied twice, skipped or out of turn spoils a comparison.
std::string patternedBytes(std::size_t size, unsigned seed = 0);
// Every byte of a file ("" when it cannot be read).
std::string readAll(const std::filesystem::path& path);
void makeSymlink(const std::filesystem::path& target, const std::filesystem::path& link);
// The file's allocated size as the kernel reports it (blocks x 512).
std::int64_t allocatedBytes(const std::filesystem::path& path);
// A name that is not valid UTF-8: "bad-\xff\xfe" plus `suffix`.
std::string nonUtf8Name(std::string_view suffix = {});
// Nested folders under `base` whose total path length exceeds PATH_MAX;
// returns the deepest one. Made with *at() calls, as no full path works.
std::filesystem::path makeDeepFolder(const std::filesystem::path& base, int levels = 25);
