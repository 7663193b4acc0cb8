// The check of a finished copy against its source and the manifest: what differed, and where.

#include "fs/check/copy_verifier.h"

#include "fs/copy/item_copier.h"
#include "fs/posix_system_io.h"
#include "support/rich_folder.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

std::string at(FsErrc condition, const std::string& relative)
{
    return make_error_code(condition).message() + " at " + relative;
}

} // namespace

TEST(CopyVerifier, SaysWhatDifferedAndWhere)
{
    TempDir dir;
    const fs::path source = makeRichFolder(dir);
    const auto copyTo = [&](const std::string& name) {
        auto manifest = copyItemTree(io, source, dir / name, CopyOptions{true});
        EXPECT_TRUE(manifest.ok());
        return manifest.value();
    };

    // A flipped byte: only a content comparison sees it.
    const CopyManifest flipped = copyTo("flipped");
    {
        std::fstream file(dir / "flipped" / "big.bin", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(2 * 1024 * 1024);
        file.put('X');
    }
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "flipped", flipped, CopyCheck::layout)), "ok");
    const auto contents = verifyItemCopy(io, source, dir / "flipped", flipped, CopyCheck::contentsBeforeTrash);
    EXPECT_EQ(finding(contents), at(FsErrc::contentsDiffer, "big.bin"));
    EXPECT_EQ(contents.error().path, dir / "flipped" / "big.bin");

    const CopyManifest missing = copyTo("missing");
    fs::remove(dir / "missing" / ".hidden" / "config");
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "missing", missing, CopyCheck::layout)),
              at(FsErrc::entryMissing, ".hidden/config"));

    const CopyManifest relinked = copyTo("relinked");
    fs::remove(dir / "relinked" / "link");
    makeSymlink("sub", dir / "relinked" / "link");
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "relinked", relinked, CopyCheck::layout)),
              at(FsErrc::linkTargetDiffers, "link"));

    const CopyManifest retyped = copyTo("retyped");
    fs::remove(dir / "retyped" / "sub" / "图片.txt");
    fs::create_directory(dir / "retyped" / "sub" / "图片.txt");
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "retyped", retyped, CopyCheck::layout)),
              at(FsErrc::typeDiffers, "sub/图片.txt"));

    const CopyManifest truncated = copyTo("truncated");
    fs::resize_file(dir / "truncated" / "big.bin", 100);
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "truncated", truncated, CopyCheck::layout)),
              at(FsErrc::lengthDiffers, "big.bin"));

    // Two names of one file are two names of one file in the copy.
    fs::create_hard_link(source / "readme.txt", source / "sub" / "readme-link.txt");
    const CopyManifest linked = copyTo("linked");
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "linked", linked, CopyCheck::contentsBeforeTrash)), "ok");
    fs::remove(dir / "linked" / "sub" / "readme-link.txt");
    fs::copy_file(dir / "linked" / "readme.txt", dir / "linked" / "sub" / "readme-link.txt");
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "linked", linked, CopyCheck::contentsBeforeTrash)),
              at(FsErrc::hardLinkDiffers, "sub/readme-link.txt"));
}

// A copier that links a name to the wrong file of the same length (its
// table keyed by something other than the inode) must not pass: the
// originals, not the copier, say which names are one file.
TEST(CopyVerifier, AHardLinkToAnotherFileOfTheSameLengthFails)
{
    TempDir dir;
    writeText(dir / "Pairs" / "a1", std::string(4096, 'a'));
    writeText(dir / "Pairs" / "b1", std::string(4096, 'b'));
    fs::create_hard_link(dir / "Pairs" / "a1", dir / "Pairs" / "a2");
    fs::create_hard_link(dir / "Pairs" / "b1", dir / "Pairs" / "b2");
    auto manifest = copyItemTree(io, dir / "Pairs", dir / "copy", CopyOptions{true});
    ASSERT_TRUE(manifest.ok());
    EXPECT_EQ(finding(verifyItemCopy(io, dir / "Pairs", dir / "copy", manifest.value(), CopyCheck::contents)), "ok");

    // What the broken copier makes of the second pair: a link to the first.
    for (CopiedEntry& entry : manifest.value().entries) {
        if (entry.relativePath == "b1" || entry.relativePath == "b2") {
            const bool first = entry.linkedTo.empty();
            entry.linkedTo = first ? "a1" : "a2";
            entry.hash.reset();
            fs::remove(dir / "copy" / entry.relativePath);
            fs::create_hard_link(dir / "copy" / entry.linkedTo, dir / "copy" / entry.relativePath);
        }
    }
    const std::string contents =
        finding(verifyItemCopy(io, dir / "Pairs", dir / "copy", manifest.value(), CopyCheck::contents));
    EXPECT_TRUE(contents == at(FsErrc::contentsDiffer, "b1") || contents == at(FsErrc::contentsDiffer, "b2"))
        << contents;
    const std::string layout =
        finding(verifyItemCopy(io, dir / "Pairs", dir / "copy", manifest.value(), CopyCheck::layout));
    EXPECT_TRUE(layout.starts_with(make_error_code(FsErrc::hardLinkDiffers).message())) << layout;
}

TEST(CopyVerifier, ADriveMountedInsideTheItemIsCopiedButNeverPassesForTheTrash)
{
    TempDir dir;
    writeText(dir / "Folder" / "own.txt", "mine");
    makeFolder(dir / "Folder" / "mounted");
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        if (::mount("tmpfs", (dir / "Folder" / "mounted").c_str(), "tmpfs", 0, "size=4m") != 0)
            return "skip";
        writeText(dir / "Folder" / "mounted" / "other.txt", "theirs");
        const auto manifest = copyItemTree(io, dir / "Folder", dir / "copy", CopyOptions{true});
        if (!manifest)
            return "copy failed";
        const bool copyOnly =
            verifyItemCopy(io, dir / "Folder", dir / "copy", manifest.value(), CopyCheck::contents).ok();
        const bool forTrash =
            verifyItemCopy(io, dir / "Folder", dir / "copy", manifest.value(), CopyCheck::contentsBeforeTrash).ok();
        return std::string(copyOnly ? "copied" : "not-copied") + (forTrash ? " trashable" : " kept");
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(answer, "copied kept");
}
