// The size measure of a folder: allocated space of its visible regular files at any depth.

#include "fs/posix_system_io.h"
#include "fs/walk/tree_size.h"

#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

std::int64_t sizeOf(const fs::path& folder, int workers = treeWalkWorkers)
{
    return measureTree(io, folder, workers).allocatedBytes;
}

// An independent sum: allocated sizes of regular files, hidden ones included.
std::int64_t referenceSize(const fs::path& root)
{
    std::int64_t total = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_regular_file() && !it->is_symlink())
            total += allocatedBytes(it->path());
    }
    return total;
}

} // namespace

TEST(TreeSize, CountsTheAllocatedSizeOfVisibleRegularFilesAtAnyDepth)
{
    TempDir dir;
    writeFile(dir / "t" / "a.bin", 100'000);
    writeFile(dir / "t" / "sub" / "deeper" / "b.bin", 5'000);
    writeFile(dir / "t" / "sub" / nonUtf8Name(".bin"), 7'000);
    writeFile(dir / "t" / "sub" / "图片.jpg", 9'000);
    writeSparseFile(dir / "t" / "sparse", 50 * 1024 * 1024);
    const std::int64_t expected = allocatedBytes(dir / "t" / "a.bin") +
                                  allocatedBytes(dir / "t" / "sub" / "deeper" / "b.bin") +
                                  allocatedBytes(dir / "t" / "sub" / nonUtf8Name(".bin")) +
                                  allocatedBytes(dir / "t" / "sub" / "图片.jpg") + allocatedBytes(dir / "t" / "sparse");
    EXPECT_EQ(sizeOf(dir / "t"), expected);
    EXPECT_EQ(expected, referenceSize(dir / "t"));
}

// Hidden entries are moved with their folder, so they count; links and
// special files are neither counted nor followed.
TEST(TreeSize, CountsHiddenNamesLeavesOutLinksAndSpecialFiles)
{
    TempDir dir;
    const fs::path t = dir / "t";
    writeFile(t / "visible", 4096);
    writeFile(t / ".hidden-file", 1'000'000);
    writeFile(t / ".git" / "objects" / "pack", 1'000'000);
    writeFile(t / "sub" / ".DS_Store", 1'000'000);
    writeFile(dir / "outside", 3'000'000);
    makeSymlink(dir / "outside", t / "link-to-file");
    makeSymlink(dir.path(), t / "link-to-folder");
    makeSymlink("..", t / "sub" / "loop");
    ASSERT_EQ(::mkfifo((t / "fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (t / "socket").native();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::mknod((t / "null-device").c_str(), S_IFCHR | 0666, makedev(1, 3)); // allowed only to root

    EXPECT_EQ(sizeOf(t), allocatedBytes(t / "visible") + allocatedBytes(t / ".hidden-file") +
                             allocatedBytes(t / ".git" / "objects" / "pack") + allocatedBytes(t / "sub" / ".DS_Store"));
    ::close(sock);
}

TEST(TreeSize, AFolderOfEmptyFoldersMeasuresZero)
{
    TempDir dir;
    makeFolder(dir / "t" / "a" / "b" / "c");
    makeFolder(dir / "t" / "a" / ".hidden");
    EXPECT_EQ(sizeOf(dir / "t"), 0);
    EXPECT_EQ(sizeOf(dir / "missing"), 0);
}

TEST(TreeSize, TheRootItselfIsNotFollowedWhenALink)
{
    TempDir dir;
    writeFile(dir / "real" / "f", 10'000);
    makeSymlink("real", dir / "link");
    EXPECT_EQ(sizeOf(dir / "link"), 0);
}

TEST(TreeSize, MeasuresBeyondPathMaxAndBeyondTheOpenFileLimit)
{
    TempDir dir;
    const fs::path deep = makeDeepFolder(dir.path(), 30);
    ASSERT_GT(deep.native().size(), std::size_t(PATH_MAX));
    // Files can only be made by descending with *at() calls at this depth.
    const std::string answer = runInChild([&] {
        const int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
        int current = fd;
        const std::string component(200, 'd');
        for (int i = 0; i < 30; ++i) {
            const int next = ::openat(current, component.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(current);
            current = next;
        }
        const int file = ::openat(current, "deep.bin", O_WRONLY | O_CREAT, 0644);
        const std::string data(8192, 'x');
        const bool written = ::write(file, data.data(), data.size()) == ssize_t(data.size());
        ::close(file);
        ::close(current);
        // Far more levels than descriptors allowed.
        rlimit limit{24, 24};
        ::setrlimit(RLIMIT_NOFILE, &limit);
        return written ? std::to_string(sizeOf(dir.path())) : std::string("not written");
    });
    EXPECT_EQ(answer, "8192");

    TempDir chain;
    fs::path level = chain / "t";
    for (int i = 0; i < 200; ++i)
        level /= "x";
    writeFile(level / "leaf.bin", 4096);
    const std::string limited = runInChild([&] {
        rlimit limit{24, 24};
        ::setrlimit(RLIMIT_NOFILE, &limit);
        return std::to_string(sizeOf(chain / "t"));
    });
    EXPECT_EQ(limited, "4096");
}

TEST(TreeSize, AnUnreadableSubfolderIsLeftOutAndTheRestCounts)
{
    TempDir dir;
    writeFile(dir / "t" / "readable" / "a", 8192);
    writeFile(dir / "t" / "locked" / "b", 8192);
    writeFile(dir / "t" / "c", 4096);
    ::chmod((dir / "t" / "locked").c_str(), 0);
    const std::string answer = runWithoutFileCapabilities([&] { return std::to_string(sizeOf(dir / "t")); });
    ::chmod((dir / "t" / "locked").c_str(), 0755);
    EXPECT_EQ(answer, std::to_string(8192 + 4096));
}

TEST(TreeSize, SharingTheWalkGivesExactlyTheSequentialResult)
{
    TempDir dir;
    const fs::path t = dir / "t";
    for (int folder = 0; folder < 120; ++folder) {
        for (int file = 0; file < 5; ++file)
            writeFile(t / ("f" + std::to_string(folder % 7)) / std::to_string(folder) / std::to_string(file),
                      100 + folder * file);
    }
    for (int file = 0; file < 5000; ++file) // big enough to be split into batches
        writeFile(t / "wide" / std::to_string(file), file % 3 == 0 ? 5000 : 1);
    const std::int64_t sequential = sizeOf(t, 1);
    EXPECT_EQ(sequential, referenceSize(t));
    for (int run = 0; run < 5; ++run) {
        EXPECT_EQ(sizeOf(t, 2), sequential);
        EXPECT_EQ(sizeOf(t), sequential);
    }
    // The running count ends at what the walk measured, whoever measured it.
    ScanTally tally;
    EXPECT_EQ(measureTree(io, t, treeWalkWorkers, {}, &tally).allocatedBytes, sequential);
    EXPECT_EQ(tally.files.load(), 120 * 5 + 5000);
    EXPECT_EQ(tally.bytes.load(), sequential);
}

TEST(TreeSize, FoldersWalkedTogetherGetEachItsOwnResult)
{
    TempDir dir;
    const fs::path t = dir / "t";
    for (int folder = 0; folder < 100; ++folder)
        writeFile(t / ("c" + std::to_string(folder % 5)) / std::to_string(folder) / "f", 100 + 37 * folder);
    for (int file = 0; file < 2100; ++file) // split into batches
        writeFile(t / "c1" / "wide" / std::to_string(file), file % 2 == 0 ? 5000 : 1);
    // Nested, repeated, missing and empty folders among them.
    makeFolder(t / "empty");
    const std::vector<fs::path> folders{t / "c0", t / "c1", t / "c1" / "wide", t / "missing", t / "c0", t / "empty", t};
    for (int workers : {1, treeWalkWorkers}) {
        std::vector<std::size_t> started;
        const std::vector<TreeMeasure> measures =
            measureTrees(io, folders, workers, {}, nullptr, [&](std::size_t index) { started.push_back(index); });
        ASSERT_EQ(measures.size(), folders.size());
        for (std::size_t i = 0; i < folders.size(); ++i) {
            const TreeMeasure alone = measureTree(io, folders[i], 1);
            EXPECT_EQ(measures[i].allocatedBytes, alone.allocatedBytes) << folders[i] << " " << workers;
            EXPECT_EQ(measures[i].fingerprint, alone.fingerprint) << folders[i];
        }
        EXPECT_EQ(measures[3].allocatedBytes, 0);
        std::sort(started.begin(), started.end());
        EXPECT_EQ(started, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
    }
}

TEST(TreeSize, EntriesVanishingDuringTheWalkAreSkipped)
{
    TempDir dir;
    const fs::path t = dir / "t";
    for (int file = 0; file < 6000; ++file)
        writeFile(t / "wide" / std::to_string(file), 4096);
    for (int folder = 0; folder < 200; ++folder)
        writeFile(t / "folders" / std::to_string(folder) / "f", 4096);
    const std::int64_t full = sizeOf(t);

    std::thread remover([&] {
        for (int file = 0; file < 6000; ++file)
            fs::remove(t / "wide" / std::to_string(file));
        for (int folder = 0; folder < 200; ++folder)
            fs::remove_all(t / "folders" / std::to_string(folder));
    });
    std::int64_t last = full;
    for (int run = 0; run < 20; ++run) {
        const std::int64_t size = sizeOf(t);
        EXPECT_GE(size, 0);
        EXPECT_LE(size, full);
        last = size;
    }
    remover.join();
    EXPECT_LE(last, full);
    EXPECT_EQ(sizeOf(t), 0);
}

TEST(TreeSize, TheFingerprintSumsLengthsAndKeepsTheNewestTimes)
{
    TempDir dir;
    const fs::path t = dir / "t";
    writeFile(t / "a.bin", 1000);
    writeSparseFile(t / "sub" / "sparse.img", 50'000); // length counts, not blocks
    writeFile(t / ".hidden", 7);
    makeSymlink(t / "a.bin", t / "link");
    const timespec old[2] = {{1'500'000'000, 0}, {1'500'000'000, 0}};
    const timespec newer[2] = {{1'600'000'000, 5}, {1'600'000'000, 5}};
    ::utimensat(AT_FDCWD, (t / "a.bin").c_str(), old, 0);
    ::utimensat(AT_FDCWD, (t / ".hidden").c_str(), old, 0);
    ::utimensat(AT_FDCWD, (t / "sub" / "sparse.img").c_str(), newer, 0);

    const TreeMeasure measure = measureTree(io, t);
    EXPECT_EQ(measure.fingerprint.lengthBytes, 51'007);
    EXPECT_EQ(measure.fingerprint.newestModifiedNs, 1'600'000'000'000'000'005);
    struct stat st;
    ::stat((t / "sub" / "sparse.img").c_str(), &st);
    EXPECT_GE(measure.fingerprint.newestChangedNs, std::int64_t(st.st_ctim.tv_sec) * 1'000'000'000);

    // The same tree measured again, by one worker or two, is the same.
    EXPECT_EQ(measureTree(io, t, 1).fingerprint, measure.fingerprint);
    // Written again at the same length: the times tell.
    writeFile(t / "a.bin", 1000, 'y');
    EXPECT_NE(measureTree(io, t).fingerprint, measure.fingerprint);

    // A time past 2262 has no 64-bit count of nanoseconds: still the newest.
    const timespec far[2] = {{10'413'792'000, 0}, {10'413'792'000, 0}}; // 2300-01-01
    ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a.bin").c_str(), far, 0), 0);
    EXPECT_EQ(measureTree(io, t).fingerprint.newestModifiedNs, std::numeric_limits<std::int64_t>::max());
}
