#include "support/rich_folder.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string finding(const FsResult<void>& result)
{
    if (result.ok())
        return "ok";
    return result.error().code.message() + " at " + result.error().relativePath;
}

fs::path makeRichFolder(const TempDir& dir)
{
    const fs::path source = dir / "Project";
    writeText(source / "readme.txt", "hello");
    writeText(source / ".hidden" / "config", "secret");
    writeText(source / "sub" / "图片.txt", "picture");
    writeText(source / "sub" / nonUtf8Name(".bin"), "odd name");
    writeFile(source / "big.bin", 3 * 1024 * 1024 + 17, 'b');
    makeSymlink("readme.txt", source / "link");
    makeSymlink("/nowhere/at/all", source / "dangling");
    ::mkfifo((source / "pipe").c_str(), 0640);
    ::chmod((source / "readme.txt").c_str(), 0640);
    ::setxattr((source / "readme.txt").c_str(), "user.origin", "scan", 4, 0);
    const timespec times[2] = {{1'600'000'000, 123}, {1'600'000'000, 456'789}};
    ::utimensat(AT_FDCWD, (source / "readme.txt").c_str(), times, 0);
    ::utimensat(AT_FDCWD, (source / "sub").c_str(), times, 0);
    ::chmod((source / "sub").c_str(), 0750);
    return source;
}
