// The interface header stands on its own: it compiles first in this file,
// and brings none of the layer's system-call machinery to its users.
// (libstdc++'s <stop_token> includes <syscall.h> for its futex waits; that
// one is the standard library's own.)

#include "fs/file_system.h"

// Redefinitions fail to compile if the header brought the directory reader,
// the I/O seam or the copier along.
struct RawDirectoryEntry {};
class SystemIo {};
class PathAnchor {};
int copyItemTree;

#ifdef DT_REG
#error "file_system.h pulls in <dirent.h>"
#endif
#ifdef O_DIRECTORY
#error "file_system.h pulls in <fcntl.h>"
#endif

#include <gtest/gtest.h>

TEST(FileSystemHeader, ErrorsKeepTheirCategoryAndWhereTheyHappened)
{
    const FsError own(FsErrc::contentsDiffer, "/drive/copy/a/b.txt", "a/b.txt");
    EXPECT_EQ(own.code, FsErrc::contentsDiffer);
    EXPECT_NE(own.code, std::error_code(int(FsErrc::contentsDiffer), std::system_category()));
    EXPECT_TRUE(isVerificationFailure(own.code));
    EXPECT_EQ(own.relativePath, "a/b.txt");

    const FsError system(ENOSPC, "/drive");
    EXPECT_EQ(system.code, std::errc::no_space_on_device);
    EXPECT_FALSE(isVerificationFailure(system.code));
    EXPECT_FALSE(isVerificationFailure(FsErrc::trashUnavailable));
}
