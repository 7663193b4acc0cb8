// The copy of one item on the real file system, faults and odd entries included.

#include "fs/check/copy_verifier.h"
#include "fs/copy/item_copier.h"

#include "fs/check/source_check.h"
#include "fs/error_description.h"
#include "fs/open_file_limit.h"
#include "fs/posix_system_io.h"
#include "support/rich_folder.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

struct stat lstatOf(const fs::path& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

} // namespace

TEST(ItemCopy, CopiesTheWholeItemAndKeepsWhatMatters)
{
    TempDir dir;
    const fs::path source = makeRichFolder(dir);
    writeSparseFile(source / "sparse.img", 200 * 1024 * 1024);
    const fs::path target = dir / "copy";

    for (bool hash : {false, true}) {
        const fs::path out = target / (hash ? "hashed" : "plain");
        fs::create_directories(out.parent_path());
        const auto manifest = copyItemTree(io, source, out, CopyOptions{hash});
        ASSERT_TRUE(manifest.ok()) << describeError(manifest.error()).toStdString();
        EXPECT_EQ(manifest.value().entries.size(), 12u); // the folder and 11 entries below it
        EXPECT_EQ(readAll(out / "readme.txt"), "hello");
        EXPECT_EQ(readAll(out / ".hidden" / "config"), "secret");
        EXPECT_EQ(readAll(out / "sub" / "图片.txt"), "picture");
        EXPECT_EQ(readAll(out / "sub" / nonUtf8Name(".bin")), "odd name");
        EXPECT_EQ(readAll(out / "big.bin"), readAll(source / "big.bin"));
        EXPECT_EQ(fs::read_symlink(out / "link"), "readme.txt");
        EXPECT_EQ(fs::read_symlink(out / "dangling"), "/nowhere/at/all");
        EXPECT_TRUE(S_ISFIFO(lstatOf(out / "pipe").st_mode));
        EXPECT_EQ(lstatOf(out / "readme.txt").st_mode & 07777, 0640u);
        EXPECT_EQ(lstatOf(out / "sub").st_mode & 07777, 0750u);
        EXPECT_EQ(lstatOf(out / "readme.txt").st_mtim.tv_nsec, 456'789);
        EXPECT_EQ(lstatOf(out / "sub").st_mtim.tv_sec, 1'600'000'000);
        char value[16] = {};
        EXPECT_EQ(::getxattr((out / "readme.txt").c_str(), "user.origin", value, sizeof value), 4);
        EXPECT_EQ(lstatOf(out / "sparse.img").st_size, 200 * 1024 * 1024);
        EXPECT_LT(allocatedBytes(out / "sparse.img"), 1024 * 1024);
        EXPECT_TRUE(
            verifyItemCopy(io, source, out, manifest.value(), hash ? CopyCheck::contentsBeforeTrash : CopyCheck::layout)
                .ok());
    }
}

TEST(ItemCopy, NeverReplacesOrMergesIntoWhatExists)
{
    TempDir dir;
    writeText(dir / "a.txt", "new");
    writeText(dir / "existing.txt", "old");
    makeFolder(dir / "Folder" / "inner");
    makeFolder(dir / "existing-folder");
    writeText(dir / "existing-folder" / "keep", "mine");

    EXPECT_EQ(copyItemTree(io, dir / "a.txt", dir / "existing.txt", {}).error().code, systemError(EEXIST));
    EXPECT_EQ(readAll(dir / "existing.txt"), "old");
    EXPECT_EQ(copyItemTree(io, dir / "Folder", dir / "existing-folder", {}).error().code, systemError(EEXIST));
    EXPECT_EQ(readAll(dir / "existing-folder" / "keep"), "mine");
    makeSymlink("elsewhere", dir / "a-link");
    EXPECT_EQ(copyItemTree(io, dir / "a.txt", dir / "a-link", {}).error().code, systemError(EEXIST));
}

TEST(ItemCopy, SocketsAndDevicesFailTheItemAndTheOriginalStays)
{
    TempDir dir;
    writeText(dir / "Folder" / "a.txt", "data");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (dir / "Folder" / "socket").native();
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const auto result = copyItemTree(io, dir / "Folder", dir / "copy", {});
    ::close(sock);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, FsErrc::specialFile);
    EXPECT_EQ(readAll(dir / "Folder" / "a.txt"), "data");
}

TEST(ItemCopy, AnUnreadableEntryFailsTheItemAndKeepsWhatWasWritten)
{
    TempDir dir;
    writeText(dir / "Folder" / "a-first.txt", "data");
    writeText(dir / "Folder" / "locked.txt", "private");
    ::chmod((dir / "Folder" / "locked.txt").c_str(), 0);
    const std::string answer = runWithoutFileCapabilities([&] {
        const auto result = copyItemTree(io, dir / "Folder", dir / "copy", {});
        return result.ok() ? std::string("copied") : std::to_string(result.error().code.value());
    });
    ::chmod((dir / "Folder" / "locked.txt").c_str(), 0644);
    EXPECT_EQ(answer, std::to_string(EACCES));
    EXPECT_TRUE(fs::exists(dir / "copy"));
    EXPECT_EQ(readAll(dir / "Folder" / "locked.txt"), "private");
}

TEST(ItemCopy, AFileTooLargeForTheDestinationFailsClearly)
{
    TempDir dir;
    writeFile(dir / "video.mkv", 3 * 1024 * 1024);
    const std::string answer = runInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024 * 1024, 1024 * 1024}; // like a FAT32 cap, only smaller
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto result = copyItemTree(io, dir / "video.mkv", dir / "copy.mkv", CopyOptions{true});
        return result.ok() ? std::string("copied") : describeError(result.error()).toStdString();
    });
    EXPECT_EQ(QString::fromStdString(answer), errorDescription(systemError(EFBIG)));
    EXPECT_EQ(fs::file_size(dir / "video.mkv"), 3u * 1024 * 1024);
}

TEST(ItemCopy, ASourceThatChangesWhileCopiedFails)
{
    TempDir dir;
    writeFile(dir / "growing.log", 256 * 1024 * 1024);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const int fd = ::open((dir / "growing.log").c_str(), O_WRONLY | O_APPEND);
        while (!done) {
            (void)::write(fd, "more", 4);
            ::usleep(200);
        }
        ::close(fd);
    });
    ::usleep(5000);
    const auto result = copyItemTree(io, dir / "growing.log", dir / "copy.log", CopyOptions{true});
    done = true;
    writer.join();
    // Caught by the copy itself or, at the latest, by the verification.
    if (result.ok()) {
        const auto verified =
            verifyItemCopy(io, dir / "growing.log", dir / "copy.log", result.value(), CopyCheck::contentsBeforeTrash);
        ASSERT_FALSE(verified.ok());
        EXPECT_EQ(verified.error().code, FsErrc::sourceChanged);
    } else {
        EXPECT_EQ(result.error().code, FsErrc::sourceChanged);
    }
}

TEST(ItemCopy, SixHundredLevelsDeepCopyAndVerify)
{
    TempDir dir;
    {
        std::string path = (dir / "Deep").native();
        ::mkdir(path.c_str(), 0755);
        for (int level = 0; level < 600; ++level) {
            path += "/d";
            ::mkdir(path.c_str(), 0755);
        }
        writeText(path + "/bottom.txt", "deep down");
    }
    const std::string answer = runInChild([&] {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 4096)
            return std::string("skip");
        limit.rlim_cur = 1024; // the usual soft limit of a desktop session
        ::setrlimit(RLIMIT_NOFILE, &limit);
        raiseOpenFileLimit(); // as both programs do at start
        const auto manifest = copyItemTree(io, dir / "Deep", dir / "copy", CopyOptions{true});
        if (!manifest)
            return "copy: " + manifest.error().code.message();
        const auto verified =
            verifyItemCopy(io, dir / "Deep", dir / "copy", manifest.value(), CopyCheck::contentsBeforeTrash);
        if (!verified)
            return "verify: " + verified.error().code.message();
        const auto unchanged =
            checkSourceUnchanged(io, AT_FDCWD, (dir / "Deep").c_str(), dir / "Deep", manifest.value());
        return unchanged ? std::string("copied, verified, unchanged") : "check: " + unchanged.error().code.message();
    });
    if (answer == "skip")
        GTEST_SKIP() << "the hard open-file limit is too low here";
    EXPECT_EQ(answer, "copied, verified, unchanged");
}
