// Copy benchmark: Loftwell's item copy against `cp -a` on the same trees in
// the same run, and what verification and the Trash add.
//
//   sudo build/bench/copy_benchmark [--data DIR] [--runs N] [--no-cross]
//
// Generates once under DIR (default: bench-data/copy in the working
// directory) four 512 MiB files and 20,000 small files (about 0.94 GB).
// Every run starts from dropped caches (a copy made right after deleting the
// previous one is much slower on ext4), alternates Loftwell and cp -a, and
// reports medians:
//   warm          source in the page cache, no sync
//   cold+sync     caches dropped, then the copy and a sync, timed together
//   verify        copy with hashing, flush, re-read of the copy from the
//                 drive, and the move of the original to the Trash (cold+sync)
// With root it repeats the cold runs onto a loop-mounted ext4 image, the
// usual case of a copy to another file system.

#include "bench_support.h"
#include "fs/freedesktop_trash.h"
#include "fs/posix_system_io.h"
#include "fs/copy_verifier.h"
#include "fs/item_copier.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool isRoot()
{
    return ::geteuid() == 0;
}

void mustRun(const std::vector<std::string>& argv)
{
    bench::mustRun(argv);
}

using bench::dropCaches;
using bench::median;

void writePattern(const fs::path& path, std::size_t bytes, std::mt19937_64& random)
{
    std::vector<std::uint64_t> block(1 << 17);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    while (bytes > 0) {
        for (auto& word : block)
            word = random();
        const std::size_t n = std::min(bytes, block.size() * sizeof(std::uint64_t));
        if (::write(fd, block.data(), n) != ssize_t(n))
            std::exit(1);
        bytes -= n;
    }
    ::close(fd);
}

void generate(const fs::path& data)
{
    if (fs::exists(data / ".complete"))
        return;
    std::printf("generating %s (once) ...\n", data.c_str());
    std::fflush(stdout);
    fs::remove_all(data);
    std::mt19937_64 random(7);
    fs::create_directories(data / "large");
    for (int i = 0; i < 4; ++i)
        writePattern(data / "large" / ("part-" + std::to_string(i) + ".bin"), 512u << 20, random);
    for (int i = 0; i < 20000; ++i) {
        const fs::path folder = data / "small" / ("folder-" + std::to_string(i / 200));
        fs::create_directories(folder);
        writePattern(folder / ("file-" + std::to_string(i) + ".dat"), 1000 + random() % 92000, random);
    }
    std::ofstream(data / ".complete") << "ok\n";
}

double seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Target {
    std::string label;
    fs::path folder;
};

// One timed run; the copy is removed and caches dropped first.
double timedRun(const std::vector<std::string>& command, const fs::path& copy, const fs::path& source, bool cold)
{
    fs::remove_all(copy);
    dropCaches();
    if (!cold)
        // Through a pipe: GNU tar reads nothing when it writes to /dev/null itself.
        mustRun({"sh", "-c", "tar -C '" + source.parent_path().native() + "' -cf - '" + source.filename().native() + "' | cat >/dev/null"});
    const auto start = std::chrono::steady_clock::now();
    mustRun(command);
    if (cold)
        ::sync();
    return seconds(start);
}

// Puts a trashed source back where it was, for the next run.
void restoreFromTrash(const fs::path& home, const fs::path& source)
{
    const fs::path trash = home / ".local" / "share" / "Trash";
    fs::rename(trash / "files" / source.filename(), source);
    fs::remove(trash / "info" / (source.filename().native() + ".trashinfo"));
}

} // namespace

int main(int argc, char* argv[])
{
    // Child modes: one operation, timed by the parent.
    const PosixSystemIo io;
    if (argc == 4 && std::strcmp(argv[1], "--copy") == 0)
        return copyItemTree(io, argv[2], argv[3], CopyOptions{false}) ? 0 : 1;
    if (argc == 5 && std::strcmp(argv[1], "--transfer") == 0) {
        const auto manifest = copyItemTree(io, argv[2], argv[3], CopyOptions{true});
        if (!manifest || !verifyItemCopy(io, argv[2], argv[3], manifest.value(), true))
            return 1;
        return moveToTrash(io, argv[2], TrashEnvironment{argv[4], std::nullopt, ::getuid()}) ? 0 : 1;
    }

    fs::path data = fs::current_path() / "bench-data" / "copy";
    int runs = 5;
    bool cross = isRoot();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            data = fs::absolute(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-cross") == 0)
            cross = false;
        else {
            std::fprintf(stderr, "usage: copy_benchmark [--data DIR] [--runs N] [--no-cross]\n");
            return 2;
        }
    }
    if (!isRoot())
        std::printf("not root: caches cannot be dropped, no other file system; figures are warm only\n");
    generate(data);
    const std::string self = fs::canonical("/proc/self/exe").native();
    const fs::path home = data / "home"; // a Trash on the source's file system
    fs::create_directories(home);

    std::vector<Target> targets{{"same ext4", data / "out"}};
    const fs::path image = data / "other-fs.img";
    const fs::path mountPoint = data / "other-fs";
    if (cross) {
        fs::create_directories(mountPoint);
        ::umount(mountPoint.c_str());
        fs::remove(image);
        mustRun({"truncate", "-s", "6G", image.native()});
        mustRun({"mkfs.ext4", "-q", "-F", "-m", "0", image.native()});
        mustRun({"mount", "-o", "loop", image.native(), mountPoint.native()});
        targets.push_back({"other ext4 (loop)", mountPoint / "out"});
    }

    std::printf("%d runs each, alternating, medians; caches dropped before every run\n", runs);
    for (const Target& target : targets) {
        fs::create_directories(target.folder);
        for (const char* tree : {"large", "small"}) {
            const fs::path source = data / tree;
            const fs::path copy = target.folder / tree;
            for (bool cold : {false, true}) {
                if ((!cold && target.label != "same ext4") || (cold && !isRoot()))
                    continue;
                std::vector<double> ours, cp, verify;
                for (int run = 0; run < runs; ++run) {
                    ours.push_back(timedRun({self, "--copy", source.native(), copy.native()}, copy, source, cold));
                    cp.push_back(timedRun({"cp", "-a", source.native(), copy.native()}, copy, source, cold));
                    if (cold) {
                        verify.push_back(
                            timedRun({self, "--transfer", source.native(), copy.native(), home.native()}, copy, source, cold));
                        restoreFromTrash(home, source);
                    }
                }
                std::printf("%-18s %-5s %-9s loftwell %6.2f s   cp -a %6.2f s   ratio %.2fx\n", target.label.c_str(), tree,
                            cold ? "cold+sync" : "warm", median(ours), median(cp), median(ours) / median(cp));
                if (cold) {
                    std::printf("%-18s %-5s %-9s copy+verify+trash %6.2f s   verification adds %.2fx the copy time\n",
                                target.label.c_str(), tree, "", median(verify), median(verify) / median(ours) - 1.0);
                }
            }
            fs::remove_all(copy);
        }
    }
    if (cross) {
        ::umount(mountPoint.c_str());
        fs::remove(image);
    }
    return 0;
}
