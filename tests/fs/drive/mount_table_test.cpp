// The user's drives, read from a mount table as the kernel writes it.

#include "fs/drive/mount_table.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

TEST(MountTable, TheUsersDrivesAreThoseUnderMediaRunMediaAndMnt)
{
    const std::string table = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                              "60 22 8:17 / /media/alice/USB\\040STICK rw,nosuid shared:30 - exfat /dev/sdb1 rw\n"
                              "61 22 8:33 / /run/media/alice/Backup rw shared:31 - ext4 /dev/sdc1 rw\n"
                              "62 22 0:50 / /mnt/data rw shared:32 - fuseblk /dev/sdd1 rw\n"
                              "63 22 8:49 / /media/bob/Other rw shared:33 - vfat /dev/sde1 rw\n"
                              "64 22 0:51 / /media/alice rw shared:34 - tmpfs tmpfs rw\n"
                              "65 22 0:52 / /media/alicea/Stick rw shared:35 - vfat /dev/sdf1 rw\n"
                              "66 62 0:50 / /mnt/data rw shared:36 - fuseblk /dev/sdd1 rw\n"
                              "garbage\n";
    const std::vector<std::filesystem::path> expected{"/media/alice/USB STICK", "/run/media/alice/Backup", "/mnt/data"};
    EXPECT_EQ(userDriveMounts(table, "alice"), expected);
    EXPECT_TRUE(userDriveMounts(table, "").size() == 1); // /mnt only
}

TEST(MountTable, ADeviceIsWhereItsWholeFileSystemIsMountedNotAFolderOfIt)
{
    TempDir dir;
    for (const char* name : {"whole", "folder", "again"})
        makeFolder(dir / name);
    const std::string answer = runWithPrivateMounts([&]() -> std::string {
        if (::mount("tmpfs", (dir / "whole").c_str(), "tmpfs", 0, "size=1m") != 0)
            return "skip";
        makeFolder(dir / "whole" / "sub");
        // The table then lists the folder's bind mount before the whole one.
        if (::mount((dir / "whole" / "sub").c_str(), (dir / "folder").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount((dir / "whole").c_str(), (dir / "again").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::umount((dir / "whole").c_str()) != 0)
            return "mount failed";
        struct stat st;
        ::stat((dir / "folder").c_str(), &st);
        const auto point = [&] {
            const auto mount = mountOfDevice(st.st_dev);
            return mount ? mount->point : "none";
        };
        std::string out = point();
        ::umount((dir / "again").c_str());
        return out + " " + point();
    });
    if (answer == "skip")
        GTEST_SKIP() << "needs root for a private mount";
    EXPECT_EQ(answer, (dir / "again").native() + " " + (dir / "folder").native());
}
