// The last look at an original before the Trash, and the verification, agree on what "still what was copied" means.

#include "fs/check/source_check.h"

#include "fs/check/copy_verifier.h"
#include "fs/check/manifest_index.h"
#include "fs/copy/item_copier.h"
#include "fs/posix_system_io.h"
#include "support/rich_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

} // namespace

TEST(SourceCheck, FindsEveryChangeWhereTheVerificationDoes)
{
    TempDir dir;
    const fs::path source = makeRichFolder(dir);
    const std::string changed = make_error_code(FsErrc::sourceChanged).message() + " at ";
    struct Change {
        const char* what;
        std::function<void()> make;
        std::function<void()> undo;
        std::string where;
    };
    const std::vector<Change> changes{
        // A tool that puts the modification time back still moves the change time.
        {"chmod", [&] { ::chmod((source / "readme.txt").c_str(), 0600); }, {}, "readme.txt"},
        {"added", [&] { writeText(source / "sub" / "new-file.txt", "late"); },
         [&] { fs::remove(source / "sub" / "new-file.txt"); }, "sub/new-file.txt"},
        {"gone", [&] { fs::rename(source / "sub" / nonUtf8Name(".bin"), dir / "moved-away.bin"); },
         [&] { fs::rename(dir / "moved-away.bin", source / "sub" / nonUtf8Name(".bin")); },
         "sub/" + nonUtf8Name(".bin")},
        {"appended", [&] { std::ofstream(source / "readme.txt", std::ios::app) << "more"; }, {}, "readme.txt"},
        {"relinked",
         [&] {
             fs::remove(source / "link");
             makeSymlink("big.bin", source / "link");
         },
         {},
         "link"},
    };
    int round = 0;
    for (const Change& change : changes) {
        const fs::path copy = dir / ("copy-" + std::to_string(++round));
        const auto manifest = copyItemTree(io, source, copy, CopyOptions{true});
        ASSERT_TRUE(manifest.ok()) << change.what;
        EXPECT_EQ(finding(checkSourceUnchanged(io, AT_FDCWD, source.c_str(), source, manifest.value())), "ok")
            << change.what;
        change.make();
        const auto checked = checkSourceUnchanged(io, AT_FDCWD, source.c_str(), source, manifest.value());
        EXPECT_EQ(finding(checked), changed + change.where) << change.what;
        if (!checked.ok()) {
            EXPECT_EQ(checked.error().path, source / change.where) << change.what;
        }
        EXPECT_EQ(finding(verifyItemCopy(io, source, copy, manifest.value(), CopyCheck::layout)),
                  changed + change.where)
            << change.what;
        if (change.undo)
            change.undo();
    }
}

// Length, modification time and change time each tell on their own that an
// original changed: an append within one tick of the clock moves only the
// length, a tool that puts the times back moves only the change time.
TEST(SourceCheck, LengthAndEachTimeTellOfAChangeOnTheirOwn)
{
    struct stat now {};
    now.st_mode = S_IFREG | 0644;
    now.st_dev = 3;
    now.st_ino = 7;
    now.st_size = 100;
    now.st_mtim = {5, 0};
    now.st_ctim = {6, 0};
    CopiedEntry copied;
    copied.type = S_IFREG;
    copied.device = 3;
    copied.inode = 7;
    copied.length = 100;
    copied.modifiedNs = 5'000'000'000;
    copied.changedNs = 6'000'000'000;
    EXPECT_TRUE(stillAsCopied(now, copied));
    struct stat appended = now;
    appended.st_size = 101;
    EXPECT_FALSE(stillAsCopied(appended, copied));
    struct stat touched = now;
    touched.st_mtim.tv_nsec = 1;
    EXPECT_FALSE(stillAsCopied(touched, copied));
    struct stat changed = now;
    changed.st_ctim.tv_nsec = 1;
    EXPECT_FALSE(stillAsCopied(changed, copied));
}
