#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Restores owner permissions below `fd` so that removal can go everywhere,
// and removes everything, at any depth (beyond PATH_MAX too).
void removeTree(int parent, const char* name)
{
    struct stat st;
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(parent, name, 0);
        return;
    }
    ::fchmodat(parent, name, 0700, 0);
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        std::vector<std::string> names;
        if (DIR* dir = ::fdopendir(::dup(fd))) {
            while (dirent* entry = ::readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    names.emplace_back(entry->d_name);
            }
            ::closedir(dir);
        }
        for (const std::string& child : names)
            removeTree(fd, child.c_str());
        ::close(fd);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

} // namespace

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "loftwell-test-XXXXXX").native();
    if (!::mkdtemp(pattern.data()))
        fail("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir()
{
    removeTree(AT_FDCWD, path_.c_str());
}

void writeFile(const fs::path& path, std::int64_t bytes, char fill)
{
    fs::create_directories(path.parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("open " + path.native());
    // Its blocks taken in one go: written a chunk at a time beside other
    // tests' files, it may land in so many pieces that the file system needs
    // a block more to map them, and its size on disk is no longer its length.
    if (bytes > 0)
        (void)::fallocate(fd, 0, 0, bytes);
    std::vector<char> chunk(1 << 20, fill);
    std::int64_t left = bytes;
    while (left > 0) {
        const auto n = ::write(fd, chunk.data(), std::size_t(std::min<std::int64_t>(left, std::int64_t(chunk.size()))));
        if (n <= 0)
            fail("write " + path.native());
        left -= n;
    }
    ::close(fd);
}

void writeSparseFile(const fs::path& path, std::int64_t bytes)
{
    fs::create_directories(path.parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, bytes) != 0)
        fail("sparse " + path.native());
    ::close(fd);
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void makeFolder(const fs::path& path)
{
    fs::create_directories(path);
}

void makeSymlink(const fs::path& target, const fs::path& link)
{
    fs::create_directories(link.parent_path());
    if (::symlink(target.c_str(), link.c_str()) != 0)
        fail("symlink " + link.native());
}

std::int64_t allocatedBytes(const fs::path& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        fail("lstat " + path.native());
    // A file not yet written out may still gain an extent block: the count
    // it settles on is the one that holds for what is measured after.
    if (S_ISREG(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::fsync(fd);
            (void)::fstat(fd, &st);
            ::close(fd);
        }
    }
    return std::int64_t(st.st_blocks) * 512;
}

std::string nonUtf8Name(std::string_view suffix)
{
    return std::string("bad-\xff\xfe") + std::string(suffix);
}

fs::path makeDeepFolder(const fs::path& base, int levels)
{
    const std::string component(200, 'd');
    int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + base.native());
    fs::path deepest = base;
    for (int i = 0; i < levels; ++i) {
        if (::mkdirat(fd, component.c_str(), 0755) != 0 && errno != EEXIST)
            fail("mkdirat");
        const int next = ::openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (next < 0)
            fail("openat");
        fd = next;
        deepest /= component;
    }
    ::close(fd);
    return deepest;
}

std::string patternedBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char(((i + seed) * 2654435761u) >> 13);
    return bytes;
}
