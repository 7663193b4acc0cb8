// The freedesktop.org Trash: what is moved, the .trashinfo record, and trash-cli reading it back.

#include "fs/trash/freedesktop_trash.h"

#include "fs/copy/item_copier.h"
#include "fs/error_description.h"
#include "fs/posix_system_io.h"
#include "support/fault_injecting_io.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

// trash-cli, an independent reader of the same Trash layout, pointed at
// the test's own home.
QString trashCli(const QString& command, const fs::path& home, const fs::path& workingDirectory,
                 const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(workingDirectory.native()));
    process.start(command, {});
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60'000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class TrashTest : public ::testing::Test {
protected:
    TrashEnvironment environment() const { return {dir / "home", std::nullopt, ::getuid()}; }
    fs::path trash() const { return dir / "home" / ".local" / "share" / "Trash"; }

    TempDir dir;
};

} // namespace

TEST_F(TrashTest, HomeTrashIsMadePrivateAndWritesAReadableTrashinfo)
{
    writeFile(dir / "items" / "a%41b c.txt", 10);
    const auto moved = moveToTrash(io, dir / "items" / "a%41b c.txt", environment());
    ASSERT_TRUE(moved.ok()) << describeError(moved.error()).toStdString();
    EXPECT_EQ(moved.value(), trash() / "files" / "a%41b c.txt");
    EXPECT_FALSE(fs::exists(dir / "items" / "a%41b c.txt"));
    struct stat st;
    ASSERT_EQ(::stat(trash().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const std::string info = readAll(trash() / "info" / "a%41b c.txt.trashinfo");
    const std::regex shape("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, shape)) << info;
    EXPECT_EQ(match[1].str(), percentEncodePath((dir / "items").native()) + "/a%2541b%20c.txt");
}

// A write that takes only part of the record is continued, not taken as
// the whole of it.
TEST_F(TrashTest, ARecordWrittenAFewBytesAtATimeIsWholeAndReadable)
{
    FaultInjectingIo fewBytes;
    fewBytes.limitWrites(5);
    writeFile(dir / "items" / "b.txt", 10);
    ASSERT_TRUE(moveToTrash(fewBytes, dir / "items" / "b.txt", environment()).ok());
    const std::string info = readAll(trash() / "info" / "b.txt.trashinfo");
    const std::regex shape("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, shape)) << info;
    EXPECT_EQ(match[1].str(), percentEncodePath((dir / "items").native()) + "/b.txt");
}

TEST_F(TrashTest, TrashCliListsAndRestoresWhatWasTrashed)
{
    if (QProcess::execute(QStringLiteral("sh"),
                          {QStringLiteral("-c"), QStringLiteral("command -v trash-list >/dev/null")}) != 0)
        GTEST_SKIP() << "trash-cli is not installed";
    const fs::path items = dir / "items";
    writeFile(items / "with space.mov", 10);
    writeFile(items / "100% done.zip", 10);
    writeFile(items / "视频.mp4", 10);
    writeFile(items / "Folder" / "inside.txt", 10);
    for (const char* name : {"with space.mov", "100% done.zip", "视频.mp4", "Folder"})
        ASSERT_TRUE(moveToTrash(io, items / name, environment()).ok()) << name;

    const QString listing = trashCli(QStringLiteral("trash-list"), dir / "home", items);
    for (const char* name : {"with space.mov", "100% done.zip", "视频.mp4", "Folder"})
        EXPECT_TRUE(listing.contains(QString::fromStdString((items / name).native()))) << listing.toStdString();

    // trash-restore offers what was under the working folder; restore them all.
    for (int i = 0; i < 4; ++i)
        trashCli(QStringLiteral("trash-restore"), dir / "home", items, "0\n");
    EXPECT_TRUE(fs::exists(items / "with space.mov"));
    EXPECT_TRUE(fs::exists(items / "100% done.zip"));
    EXPECT_TRUE(fs::exists(items / "视频.mp4"));
    EXPECT_TRUE(fs::exists(items / "Folder" / "inside.txt"));
}

TEST_F(TrashTest, SameNamesGetTheirOwnEntriesAndOddBytesSurvive)
{
    writeFile(dir / "a" / "Report.pdf", 1);
    writeFile(dir / "b" / "Report.pdf", 2);
    writeFile(dir / "c" / nonUtf8Name(), 3);
    ASSERT_TRUE(moveToTrash(io, dir / "a" / "Report.pdf", environment()).ok());
    const auto second = moveToTrash(io, dir / "b" / "Report.pdf", environment());
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.value().filename(), "Report.pdf 2");
    EXPECT_TRUE(fs::exists(trash() / "info" / "Report.pdf 2.trashinfo"));
    const auto odd = moveToTrash(io, dir / "c" / nonUtf8Name(), environment());
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(odd.value().filename().native(), nonUtf8Name());
    EXPECT_NE(readAll(trash() / "info" / (nonUtf8Name() + ".trashinfo")).find("bad-%FF%FE"), std::string::npos);
}

TEST_F(TrashTest, AnUnwritableTrashFailsPromptlyAndLeavesNothingBehind)
{
    writeFile(dir / "items" / "keep.bin", 10);
    writeFile(dir / "first", 1);
    ASSERT_TRUE(moveToTrash(io, dir / "first", environment()).ok()); // makes the layout
    ::chmod((trash() / "info").c_str(), 0500);
    const std::string answer = runWithoutFileCapabilities([&] {
        const auto result = moveToTrash(io, dir / "items" / "keep.bin", environment());
        return result.ok() ? std::string("moved") : std::to_string(result.error().code.value());
    });
    ::chmod((trash() / "info").c_str(), 0700);
    EXPECT_EQ(answer, std::to_string(int(FsErrc::trashDenied))); // the reason, not just "no Trash"
    EXPECT_TRUE(fs::exists(dir / "items" / "keep.bin"));
    EXPECT_FALSE(fs::exists(trash() / "info" / "keep.bin.trashinfo"));

    // files/ unwritable: the info file made first is taken back.
    ::chmod((trash() / "files").c_str(), 0500);
    const std::string second = runWithoutFileCapabilities([&] {
        return moveToTrash(io, dir / "items" / "keep.bin", environment()).ok() ? std::string("moved")
                                                                               : std::string("failed");
    });
    ::chmod((trash() / "files").c_str(), 0700);
    EXPECT_EQ(second, "failed");
    EXPECT_TRUE(fs::exists(dir / "items" / "keep.bin"));
    EXPECT_FALSE(fs::exists(trash() / "info" / "keep.bin.trashinfo"));
}

// A Trash on a full or read-only disk says so, and the item stays.
TEST_F(TrashTest, AFullOrReadOnlyTrashSaysWhy)
{
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        const fs::path disk = dir / "disk";
        makeFolder(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=4m,nr_inodes=64") != 0)
            return "skip";
        const TrashEnvironment home{disk / "home", std::nullopt, ::getuid()};
        writeFile(disk / "first", 1);
        writeFile(disk / "keep.bin", 10);
        if (!moveToTrash(io, disk / "first", home)) // makes the layout
            return "no layout";
        std::string reasons;
        // No inode left for the Trash's record.
        for (int i = 0; i < 64 && ::mkdir((disk / ("fill" + std::to_string(i))).c_str(), 0700) == 0; ++i) {
        }
        const auto full = moveToTrash(io, disk / "keep.bin", home);
        reasons += full ? "moved" : full.error().code.message();
        ::mount("tmpfs", disk.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr);
        const auto readOnly = moveToTrash(io, disk / "keep.bin", home);
        reasons += "|" + (readOnly ? std::string("moved") : readOnly.error().code.message());
        return reasons + (fs::exists(disk / "keep.bin") ? "|kept" : "|gone");
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private tmpfs";
    EXPECT_EQ(answer, make_error_code(FsErrc::trashFull).message() + "|" +
                          make_error_code(FsErrc::trashReadOnly).message() + "|kept");
}

TEST_F(TrashTest, OnlyWhatWasCopiedIsMoved)
{
    const auto copy = [&](const fs::path& item, const std::string& name) {
        auto manifest = copyItemTree(io, item, dir / "copies" / name, CopyOptions{});
        EXPECT_TRUE(manifest.ok());
        return manifest.value();
    };
    const auto expectRefused = [&](const FsResult<fs::path>& moved, const std::string& where) {
        ASSERT_FALSE(moved.ok());
        EXPECT_EQ(moved.error().code, FsErrc::sourceChanged);
        EXPECT_EQ(moved.error().relativePath, where);
        EXPECT_TRUE(!fs::exists(trash() / "info") || fs::is_empty(trash() / "info"));
    };
    makeFolder(dir / "copies");

    // Saved over by an application: a new file under the same name.
    writeFile(dir / "items" / "Movie.mkv", 10);
    const CopyManifest movie = copy(dir / "items" / "Movie.mkv", "movie");
    writeFile(dir / "items" / "Movie.mkv.tmp", 10);
    fs::rename(dir / "items" / "Movie.mkv.tmp", dir / "items" / "Movie.mkv");
    expectRefused(moveToTrash(io, dir / "items" / "Movie.mkv", environment(), &movie), "");
    EXPECT_TRUE(fs::exists(dir / "items" / "Movie.mkv"));

    // Inside a folder: a file added, a file appended to, a file removed.
    writeFile(dir / "items" / "Album" / "one.jpg", 100);
    writeFile(dir / "items" / "Album" / "sub" / "two.jpg", 100);
    const CopyManifest album = copy(dir / "items" / "Album", "album");
    writeFile(dir / "items" / "Album" / "sub" / "late.jpg", 1);
    expectRefused(moveToTrash(io, dir / "items" / "Album", environment(), &album), "sub/late.jpg");
    fs::remove(dir / "items" / "Album" / "sub" / "late.jpg");
    std::ofstream(dir / "items" / "Album" / "one.jpg", std::ios::app) << "more";
    expectRefused(moveToTrash(io, dir / "items" / "Album", environment(), &album), "one.jpg");
    const CopyManifest again = copy(dir / "items" / "Album", "again");
    fs::remove(dir / "items" / "Album" / "sub" / "two.jpg");
    expectRefused(moveToTrash(io, dir / "items" / "Album", environment(), &again), "sub/two.jpg");
    EXPECT_TRUE(fs::exists(dir / "items" / "Album" / "one.jpg"));

    // Unchanged since its copy: moved.
    const CopyManifest current = copy(dir / "items" / "Album", "current");
    EXPECT_TRUE(moveToTrash(io, dir / "items" / "Album", environment(), &current).ok());
    EXPECT_TRUE(fs::exists(trash() / "files" / "Album" / "one.jpg"));
}

TEST_F(TrashTest, ItemsOnAnotherMountGoToThatMountsOwnTrash)
{
    const fs::path mount = dir / "drive";
    makeFolder(mount);
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=8m") != 0)
            return "skip";
        writeFile(mount / "Movies" / "clip.mov", 10);
        const auto moved = moveToTrash(io, mount / "Movies" / "clip.mov", environment());
        if (!moved)
            return "failed " + std::to_string(moved.error().code.value());
        const fs::path trash = mount / (".Trash-" + std::to_string(::getuid()));
        struct stat st;
        ::stat(trash.c_str(), &st);
        std::string out = moved.value().native() == (trash / "files" / "clip.mov").native() ? "files " : "where? ";
        out += (st.st_mode & 0777) == 0700 ? "private " : "open ";
        out += readAll(trash / "info" / "clip.mov.trashinfo").find("\nPath=Movies/clip.mov\n") != std::string::npos
                   ? "relative "
                   : "absolute ";
        // A shared .Trash with the sticky bit is preferred.
        ::mkdir((mount / ".Trash").c_str(), 01777);
        writeFile(mount / "b.iso", 10);
        const auto shared = moveToTrash(io, mount / "b.iso", environment());
        out += shared && shared.value() == mount / ".Trash" / std::to_string(::getuid()) / "files" / "b.iso"
                   ? "shared"
                   : "not-shared";
        // Reached through a link into the mount: still the mount's own Trash,
        // with the path relative to the mount's top.
        writeFile(mount / "Videos" / "c.mov", 10);
        ::symlink((mount / "Videos").c_str(), (dir / "videos-link").c_str());
        const auto linked = moveToTrash(io, dir / "videos-link" / "c.mov", environment());
        const fs::path ownTrash = mount / ".Trash" / std::to_string(::getuid());
        out += linked && linked.value() == ownTrash / "files" / "c.mov" &&
                       readAll(ownTrash / "info" / "c.mov.trashinfo").find("\nPath=Videos/c.mov\n") != std::string::npos
                   ? " linked"
                   : " lost";
        return out;
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(answer, "files private relative shared linked");
}

TEST_F(TrashTest, AMountPointIsRefusedBeforeAnythingIsMade)
{
    const fs::path mount = dir / "items" / "Drive";
    makeFolder(mount);
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=1m") != 0)
            return "skip";
        writeFile(mount / "inside.txt", 10);
        const auto moved = moveToTrash(io, mount, environment());
        std::string out = moved.ok() ? "moved" : moved.error().code.message();
        out += fs::exists(mount / "inside.txt") ? ", kept" : ", gone";
        return out;
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(answer, make_error_code(FsErrc::trashUnavailable).message() + ", kept");
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(dir / "items"), {}), std::vector<fs::path>{mount});
    EXPECT_FALSE(fs::exists(trash()));
}

TEST_F(TrashTest, LongNamesAndDeepItemsStillReachTheTrash)
{
    // 251 bytes: with ".trashinfo" beyond the file-name limit, so the Trash's
    // own name is shortened; Path= keeps the real one.
    std::string longName;
    while (longName.size() < 246)
        longName += "照片";
    longName += ".jpeg";
    ASSERT_EQ(longName.size(), 251u);
    writeFile(dir / "items" / longName, 10, 'l');
    const auto moved = moveToTrash(io, dir / "items" / longName, environment());
    ASSERT_TRUE(moved.ok()) << moved.error().code.message();
    const std::string inTrash = moved.value().filename().native();
    EXPECT_LT(inTrash.size() + std::string(".trashinfo").size(), 256u);
    EXPECT_TRUE(QString::fromUtf8(inTrash.c_str()).isValidUtf16()); // cut between characters
    EXPECT_EQ(readAll(moved.value()), std::string(10, 'l'));
    EXPECT_NE(readAll(trash() / "info" / (inTrash + ".trashinfo")).find(percentEncodePath(longName) + "\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "items" / longName));

    // Deeper than PATH_MAX: the deepest folder itself.
    const fs::path deep = makeDeepFolder(dir / "items");
    ASSERT_GT(deep.native().size(), std::size_t(PATH_MAX));
    const auto deepMoved = moveToTrash(io, deep, environment());
    ASSERT_TRUE(deepMoved.ok()) << deepMoved.error().code.message();
    EXPECT_TRUE(fs::is_directory(deepMoved.value()));
    EXPECT_EQ(deepMoved.value().filename().native(), std::string(200, 'd'));
}
