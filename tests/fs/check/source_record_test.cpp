// Taking a copy already on the drive: the original recorded without copying
// checks that copy as the copier's own record would, and a copy is offered
// only where its layout is the original's.

#include "fs/check/copy_match.h"
#include "fs/check/copy_verifier.h"
#include "fs/check/source_record.h"
#include "fs/copy/item_copier.h"
#include "fs/posix_file_system.h"
#include "fs/posix_system_io.h"
#include "fs/unique_fd.h"
#include "support/rich_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const PosixSystemIo io;

void flipFirstByte(const fs::path& file)
{
    struct stat before;
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const UniqueFd fd(::open(file.c_str(), O_RDWR | O_CLOEXEC));
    char byte = 0;
    ASSERT_EQ(::pread(fd.get(), &byte, 1, 0), 1);
    byte = char(byte ^ 1);
    ASSERT_EQ(::pwrite(fd.get(), &byte, 1, 0), 1);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd.get(), times), 0);
}

void shiftTime(const fs::path& file, long nanoseconds)
{
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    const long long total = st.st_mtim.tv_nsec + nanoseconds;
    times[1].tv_sec += time_t(total / 1'000'000'000);
    times[1].tv_nsec = total % 1'000'000'000;
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool looksAlike(const fs::path& source, const fs::path& copy, std::int64_t tolerance = 0)
{
    const UniqueFd folder(::open(copy.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return sameLayout(io, source, folder.get(), copy.filename().native(), tolerance);
}

} // namespace

TEST(SourceRecord, ChecksAnEarlierCopyAsTheCopiersRecordWouldAndSeesAChangedByte)
{
    TempDir dir;
    const fs::path source = makeRichFolder(dir);
    ASSERT_EQ(::link((source / "big.bin").c_str(), (source / "again.bin").c_str()), 0);
    ASSERT_TRUE(copyItemTree(io, source, dir / "copy", CopyOptions{true}).ok());

    std::int64_t counted = 0;
    const auto recorded =
        recordItemTree(io, source, CopyOptions{true, {}, [&](std::int64_t bytes) { counted += bytes; }});
    ASSERT_TRUE(recorded.ok()) << finding(FsResult<void>(recorded.error()));
    std::int64_t files = 0; // every name of every regular file, as a copy counts them
    for (const auto& entry : fs::recursive_directory_iterator(source))
        files += entry.is_regular_file() && !entry.is_symlink() ? std::int64_t(entry.file_size()) : 0;
    EXPECT_EQ(counted, files);
    EXPECT_EQ(finding(verifyItemCopy(io, source, dir / "copy", recorded.value(), CopyCheck::contentsBeforeTrash)),
              "ok");

    // One byte of the linked file (both its names in the copy), its length and time kept.
    flipFirstByte(dir / "copy" / "again.bin");
    EXPECT_TRUE(looksAlike(source, dir / "copy"));
    const std::string found = finding(verifyItemCopy(io, source, dir / "copy", recorded.value(), CopyCheck::contents));
    EXPECT_TRUE(found == "contents differ in the copy at again.bin" ||
                found == "contents differ in the copy at big.bin")
        << found;
}

TEST(SourceRecord, OnlyACopyOfTheSameLayoutLooksLikeOne)
{
    TempDir dir;
    const fs::path source = makeRichFolder(dir);
    const auto copy = [&](const std::string& name) {
        EXPECT_TRUE(copyItemTree(io, source, dir / name, CopyOptions{}).ok());
        return dir / name;
    };
    EXPECT_TRUE(looksAlike(source, copy("same")));

    // A time within the drive's granularity (FAT keeps even seconds), or past it.
    const fs::path later = copy("later");
    shiftTime(later / "readme.txt", 1'500'000'000);
    EXPECT_FALSE(looksAlike(source, later));
    EXPECT_TRUE(looksAlike(source, later, 2'000'000'000));

    const fs::path longer = copy("longer");
    ::truncate((longer / "readme.txt").c_str(), off_t(fs::file_size(longer / "readme.txt") + 1));
    EXPECT_FALSE(looksAlike(source, longer, 2'000'000'000));

    const fs::path more = copy("more");
    writeText(more / ".extra", "x");
    EXPECT_FALSE(looksAlike(source, more));

    const fs::path fewer = copy("fewer");
    fs::remove(fewer / "link");
    EXPECT_FALSE(looksAlike(source, fewer));

    // Times past 2262, beyond 64-bit nanoseconds, still compared to the second.
    const fs::path far = copy("far");
    const timespec year2300[2] = {{10'413'792'000, 0}, {10'413'792'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (source / "readme.txt").c_str(), year2300, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (far / "readme.txt").c_str(), year2300, 0), 0);
    EXPECT_TRUE(looksAlike(source, far));
    shiftTime(far / "readme.txt", 10'000'000'000);
    EXPECT_FALSE(looksAlike(source, far, 2'000'000'000));
}

TEST(SourceRecord, ARunFolderIsClaimedWhileARunHoldsIt)
{
    TempDir dir;
    makeFolder(dir / "run");
    const PosixFileSystem fileSystem;
    const auto other = fileSystem.holdFolder(dir / "run");
    ASSERT_TRUE(other.ok());
    {
        const auto held = fileSystem.holdFolder(dir / "run");
        ASSERT_TRUE(held.ok());
        EXPECT_FALSE(fileSystem.runFolderClaimed(other.value()));
        EXPECT_TRUE(fileSystem.claimRunFolder(held.value()).ok());
        EXPECT_TRUE(fileSystem.runFolderClaimed(other.value()));
    }
    EXPECT_FALSE(fileSystem.runFolderClaimed(other.value()));
}
