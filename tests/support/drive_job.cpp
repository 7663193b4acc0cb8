#include "support/drive_job.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

DriveJob makeDriveJob(DriveKind kind, const fs::path& downloads)
{
    DriveJob job;
    writeFile(downloads / "good.mkv", 21 * MiB, 'g');
    writeFile(downloads / "Album" / "one.jpg", 21 * MiB, 'a');
    job.good = {"good.mkv", "Album"};

    writeFile(downloads / "what?.iso", 21 * MiB, 'w');
    job.refused.push_back({"what?.iso", FsErrc::nameNotAllowed, ""});
    writeFile(downloads / "Notes" / "a:b.txt", 21 * MiB, 'n');
    job.refused.push_back({"Notes", FsErrc::nameNotAllowed, "a:b.txt"});
    writeFile(downloads / "Draft" / "final. ", 21 * MiB, 'd');
    job.refused.push_back({"Draft", FsErrc::nameNotAllowed, "final. "});

    writeFile(downloads / "Linked" / "data.bin", 21 * MiB, 'l');
    makeSymlink("data.bin", downloads / "Linked" / "shortcut");
    writeFile(downloads / "Case" / "Notes.txt", 21 * MiB, 'c');
    writeFile(downloads / "Case" / "notes.txt", 10, 'c');
    if (kind == DriveKind::ntfs) {
        job.good.push_back("Linked"); // ntfs-3g keeps links and case
        job.good.push_back("Case");
    } else {
        job.refused.push_back({"Linked", FsErrc::linksNotSupported, "shortcut"});
        // The folder lists them in the order the file system gives: either may be named.
        job.refused.push_back({"Case", FsErrc::caseCollision, "", ""});
    }
    if (kind == DriveKind::fat32) {
        // 21 MiB of data, then a hole to 4.5 GiB: recommended, and too large for FAT32.
        writeFile(downloads / "disk.img", 21 * MiB, 'i');
        const int fd = ::open((downloads / "disk.img").c_str(), O_WRONLY);
        (void)::ftruncate(fd, 4608 * MiB);
        ::close(fd);
        job.refused.push_back({"disk.img", FsErrc::fileTooLarge, ""});
    }
    return job;
}
