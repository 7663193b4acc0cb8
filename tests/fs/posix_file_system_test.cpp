// The file-system layer's answers: listings, item values, existence, held folders and volumes.

#include "fs/posix_file_system.h"

#include "fs/entries/make_directories.h"
#include "fs/error_description.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> sortedNames(const std::vector<DirectoryEntry>& entries)
{
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

class PosixFileSystemTest : public ::testing::Test {
protected:
    TempDir dir;
    PosixFileSystem fileSystem;
};

} // namespace

TEST_F(PosixFileSystemTest, ListsImmediateChildrenWithoutHiddenNames)
{
    writeFile(dir / "a.bin", 10);
    writeFile(dir / ".hidden", 10);
    makeFolder(dir / "folder" / "inner");
    makeFolder(dir / ".git");
    writeFile(dir / nonUtf8Name(".bin"), 3);
    makeSymlink("a.bin", dir / "link");

    const auto listing = fileSystem.listDirectory(dir.path());
    ASSERT_TRUE(listing.ok()) << describeError(listing.error()).toStdString();
    EXPECT_EQ(sortedNames(listing.value()), (std::vector<std::string>{"a.bin", nonUtf8Name(".bin"), "folder", "link"}));
    for (const auto& entry : listing.value()) {
        if (entry.name == "folder") {
            EXPECT_EQ(entry.type, EntryType::directory);
        }
        if (entry.name == "link") {
            EXPECT_EQ(entry.type, EntryType::symbolicLink);
        }
    }
}

TEST_F(PosixFileSystemTest, ListingFailsForWhatIsNotAListableFolder)
{
    writeFile(dir / "file", 1);
    makeFolder(dir / "real");
    makeSymlink("real", dir / "link-to-folder");
    EXPECT_EQ(fileSystem.listDirectory(dir / "missing").error().code, systemError(ENOENT));
    EXPECT_EQ(fileSystem.listDirectory(dir / "file").error().code, systemError(ENOTDIR));
    makeSymlink("file", dir / "link-to-file");
    EXPECT_EQ(fileSystem.listDirectory(dir / "link-to-file").error().code, systemError(ENOTDIR));
    // A folder chosen through a link is listed.
    EXPECT_TRUE(fileSystem.listDirectory(dir / "link-to-folder").ok());
}

TEST_F(PosixFileSystemTest, ItemValuesDoNotFollowLinks)
{
    writeFile(dir / "data", 100'000);
    makeSymlink("data", dir / "link");
    makeSymlink("nowhere", dir / "dangling");
    makeFolder(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);

    const auto data = fileSystem.itemValues(dir / "data");
    ASSERT_TRUE(data.ok());
    EXPECT_TRUE(data.value().isRegularFile());
    EXPECT_EQ(data.value().length, 100'000);
    EXPECT_EQ(data.value().allocatedBytes, allocatedBytes(dir / "data"));

    EXPECT_TRUE(fileSystem.itemValues(dir / "link").value().isSymbolicLink());
    EXPECT_TRUE(fileSystem.itemValues(dir / "dangling").value().isSymbolicLink());
    EXPECT_TRUE(fileSystem.itemValues(dir / "folder").value().isDirectory());
    EXPECT_EQ(fileSystem.itemValues(dir / "fifo").value().type, ItemType::other);
    EXPECT_EQ(fileSystem.itemValues(dir / "missing").error().code, systemError(ENOENT));
}

TEST_F(PosixFileSystemTest, AllocatedSizeIsTheSpaceOnDiskNotTheLength)
{
    writeSparseFile(dir / "sparse", 200 * 1024 * 1024);
    const auto values = fileSystem.itemValues(dir / "sparse").value();
    EXPECT_EQ(values.length, 200 * 1024 * 1024);
    EXPECT_LT(*values.allocatedBytes, 1024 * 1024);
}

TEST_F(PosixFileSystemTest, ExistsForAnyItemIncludingDanglingLinks)
{
    makeSymlink("nowhere", dir / "dangling");
    writeFile(dir / nonUtf8Name(), 1);
    EXPECT_TRUE(fileSystem.exists(dir / "dangling"));
    EXPECT_TRUE(fileSystem.exists(dir / nonUtf8Name()));
    EXPECT_TRUE(fileSystem.exists(dir.path()));
    EXPECT_FALSE(fileSystem.exists(dir / "missing"));
    EXPECT_FALSE(fileSystem.exists(dir / nonUtf8Name() / "below-a-file"));
}

TEST_F(PosixFileSystemTest, CreatesFoldersWithTheirParents)
{
    const fs::path target = dir / "Loftwell" / "2026-12-07_10-00-00" / "下载";
    ASSERT_TRUE(makeDirectories(fileSystem.io(), target).ok());
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(makeDirectories(fileSystem.io(), target).ok()); // existing: success
    EXPECT_TRUE(makeDirectories(fileSystem.io(), fs::path(target.native() + "/")).ok());

    writeFile(dir / "file", 1);
    const auto blocked = makeDirectories(fileSystem.io(), dir / "file" / "sub");
    ASSERT_FALSE(blocked.ok());
    EXPECT_EQ(blocked.error().code, systemError(ENOTDIR));
    EXPECT_FALSE(describeError(blocked.error()).isEmpty());
}

TEST_F(PosixFileSystemTest, WorksBeyondPathMax)
{
    const fs::path deep = makeDeepFolder(dir.path());
    ASSERT_GT(deep.native().size(), std::size_t(PATH_MAX));
    const fs::path file = deep / "payload.bin";

    ASSERT_TRUE(makeDirectories(fileSystem.io(), deep / "made" / "here").ok());
    EXPECT_TRUE(fileSystem.exists(deep / "made" / "here"));
    EXPECT_FALSE(fileSystem.exists(file));
    const auto listing = fileSystem.listDirectory(deep);
    ASSERT_TRUE(listing.ok());
    EXPECT_EQ(sortedNames(listing.value()), std::vector<std::string>{"made"});
    EXPECT_TRUE(fileSystem.itemValues(deep).value().isDirectory());
}

TEST_F(PosixFileSystemTest, UnreadableFolderIsAnErrorNotAnEmptyListing)
{
    makeFolder(dir / "locked" / "inside");
    writeFile(dir / "locked" / "inside" / "f", 10);
    ::chmod((dir / "locked").c_str(), 0);
    const std::string answer = runWithoutFileCapabilities([&] {
        PosixFileSystem unprivileged;
        const auto listing = unprivileged.listDirectory(dir / "locked");
        const auto values = unprivileged.itemValues(dir / "locked" / "inside");
        const auto created = makeDirectories(unprivileged.io(), dir / "locked" / "new");
        return std::to_string(listing.ok() ? 0 : listing.error().code.value()) + " " +
               std::to_string(values.ok() ? 0 : values.error().code.value()) + " " +
               std::to_string(created.ok() ? 0 : created.error().code.value()) + " " +
               (unprivileged.exists(dir / "locked" / "inside") ? "exists" : "free");
    });
    ::chmod((dir / "locked").c_str(), 0755);
    // Unknown is never "free": a name behind a locked folder is not offered.
    EXPECT_EQ(answer, "13 13 13 exists");
}

TEST_F(PosixFileSystemTest, HeldFoldersAreRealFoldersOnTheirOwnDrive)
{
    makeFolder(dir / "drive");
    const auto drive = fileSystem.holdFolder(dir / "drive");
    ASSERT_TRUE(drive.ok());
    const auto made = fileSystem.holdSubfolder(drive.value(), "Loftwell");
    ASSERT_TRUE(made.ok());
    EXPECT_TRUE(fs::is_directory(dir / "drive" / "Loftwell"));
    EXPECT_EQ(made.value().path(), dir / "drive" / "Loftwell");
    EXPECT_TRUE(fileSystem.holdSubfolder(drive.value(), "Loftwell").ok()); // reused
    EXPECT_FALSE(fileSystem.existsIn(made.value(), "Report.pdf"));
    writeFile(dir / "drive" / "Loftwell" / "Report.pdf", 1);
    EXPECT_TRUE(fileSystem.existsIn(made.value(), "Report.pdf"));

    // A link or a file where a folder of ours belongs is never followed or used.
    makeFolder(dir / "elsewhere");
    makeSymlink(dir / "elsewhere", dir / "drive" / "Loftwell" / "linked");
    writeFile(dir / "drive" / "Loftwell" / "file", 1);
    for (const char* name : {"linked", "file"}) {
        const auto refused = fileSystem.holdSubfolder(made.value(), name);
        ASSERT_FALSE(refused.ok()) << name;
        EXPECT_EQ(refused.error().code, FsErrc::notARealFolder) << name;
    }
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));

    // Whatever happens to the path, the held folder is where things land.
    EXPECT_TRUE(fileSystem.stillAvailable(drive.value()));
    fs::rename(dir / "drive", dir / "moved");
    makeFolder(dir / "drive");
    EXPECT_FALSE(fileSystem.stillAvailable(drive.value()));
    ASSERT_TRUE(fileSystem.holdSubfolder(made.value(), "Downloads").ok());
    EXPECT_TRUE(fs::is_directory(dir / "moved" / "Loftwell" / "Downloads"));
    EXPECT_TRUE(fs::is_empty(dir / "drive"));
}

TEST_F(PosixFileSystemTest, VolumeValuesOfAFolder)
{
    const VolumeValues values = fileSystem.volumeValues(dir.path());
    ASSERT_TRUE(values.availableBytes.has_value());
    EXPECT_GT(*values.availableBytes, 0);
    if (values.name) {
        EXPECT_FALSE(values.name->isEmpty());
    }

    makeFolder(dir / nonUtf8Name());
    const VolumeValues odd = fileSystem.volumeValues(dir / nonUtf8Name());
    ASSERT_TRUE(odd.availableBytes.has_value());
    EXPECT_GT(*odd.availableBytes, 0);
}

TEST_F(PosixFileSystemTest, HomeFollowsTheEnvironment)
{
    const char* saved = std::getenv("HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(fileSystem.homeDirectory(), dir.path());
    ::setenv("HOME", "relative/path", 1);
    EXPECT_TRUE(fileSystem.homeDirectory().is_absolute());
    if (saved)
        ::setenv("HOME", previous.c_str(), 1);
    else
        ::unsetenv("HOME");
}

// The user's folders are the desktop's: a Chinese desktop's 视频 is the
// videos folder, one set to the home itself is switched off, one not set is
// the English default.
TEST_F(PosixFileSystemTest, UserFoldersAreWhereTheDesktopKeepsThem)
{
    const std::string previousHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string previousConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    makeFolder(dir / "config");
    std::ofstream(dir / "config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                        "XDG_VIDEOS_DIR=\"$HOME/视频\"\n"
                                                        "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n"
                                                        "XDG_PUBLICSHARE_DIR=\"$HOME/\"\n";
    EXPECT_EQ(fileSystem.userFolder(UserFolder::videos), dir / "视频");
    EXPECT_EQ(fileSystem.userFolder(UserFolder::downloads), dir / "下载");
    EXPECT_EQ(fileSystem.userFolder(UserFolder::publicShare), std::nullopt);
    EXPECT_EQ(fileSystem.userFolder(UserFolder::music), dir / "Music");
    ::setenv("HOME", previousHome.c_str(), 1);
    if (previousConfig.empty())
        ::unsetenv("XDG_CONFIG_HOME");
    else
        ::setenv("XDG_CONFIG_HOME", previousConfig.c_str(), 1);
}
