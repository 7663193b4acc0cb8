// Where no thread can be made (a user at the limit of their processes), the
// copy, its check and the walk that measures a tree each do their work on
// the one thread they have.

#include "fs/check/copy_verifier.h"
#include "fs/copy/item_copier.h"
#include "fs/error_description.h"
#include "fs/posix_system_io.h"
#include "fs/walk/tree_size.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(HelperThread, WithNoThreadToBeHadEveryStepRunsOnOne)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become a user at their process limit";
    TempDir dir;
    for (int folder = 0; folder < 40; ++folder) {
        for (int file = 0; file < 20; ++file)
            writeFile(dir / "Album" / std::to_string(folder) / (std::to_string(file) + ".jpg"), 1000 + file);
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
    const std::string answer = runInChild([&]() -> std::string {
        const rlimit one{1, 1};
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0 || ::setrlimit(RLIMIT_NPROC, &one) != 0)
            return "could not become a user at the limit";
        try {
            std::thread([] {}).join();
            return "skip"; // another process of that user's keeps the limit from counting
        } catch (const std::system_error&) {
        }
        const PosixSystemIo io;
        const auto manifest = copyItemTree(io, dir / "Album", dir / "copy", CopyOptions{true});
        if (!manifest)
            return "copy: " + describeError(manifest.error()).toStdString();
        if (const auto checked = verifyItemCopy(io, dir / "Album", dir / "copy", manifest.value(), CopyCheck::contents);
            !checked)
            return "check: " + describeError(checked.error()).toStdString();
        const TreeMeasure measure = measureTree(io, dir / "Album", 4);
        const std::int64_t expected = 40 * (20 * 1000 + 190);
        return measure.fingerprint.lengthBytes == expected
                   ? "ok"
                   : "measured " + std::to_string(measure.fingerprint.lengthBytes);
    });
    if (answer == "skip")
        GTEST_SKIP() << "threads could still be made";
    EXPECT_EQ(answer, "ok");
}
