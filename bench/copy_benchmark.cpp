// Copy benchmark: Loftwell's item copy against `cp -a` on the same trees in
// the same run, and what verification and the Trash add.
//
//   sudo build/bench/copy_benchmark [--data DIR] [--runs N] [--only LABEL]
//
// Generates once under DIR (default: bench-data/copy in the working
// directory) four 512 MiB files and 20,000 small files (about 0.94 GB).
// Destinations: the same ext4, and as root loop images it makes and removes
// itself: XFS (also as the source's own file system, where copies are
// reflinks) and exFAT through mount.exfat-fuse (needs /dev/fuse; skipped
// with a message otherwise). The loop devices do direct I/O on their images,
// so that what goes to such a "drive" reaches the disk as with a real one.
// Every run starts from dropped caches (a copy made right after deleting the
// previous one is much slower on ext4) and memory the host has supplied (see
// coldStart), with a sync inside the timing;
// Loftwell and cp -a alternate which goes first.
// The disk is noisy, so the table gives the median of the pairwise ratios
// with their spread (min and max):
//   copy     Loftwell's copy only, against cp -a
//   verify   copy with hashing, flush, re-read of the copy from the drive and
//            the move to the Trash, as extra time over the copy alone (a
//            transfer that keeps the originals pays the same but the Trash,
//            a rename); through a driver in user space the device's cache is
//            dropped first (a transfer mounts such a drive again instead:
//            bench/move_benchmark.sh times that whole move)
//   bound    a cold O_DIRECT read of the copy's bytes, against the copy: the
//            least a re-read from the drive can cost
// and, from the timed steps of the transfer, the copy with hashing against
// the copy alone, and the verification step against the direct re-read.
// Where the source is on the destination's file system, cp -a shares blocks
// as Loftwell does; the copy is then also set against cp -a
// --reflink=never, a copy of the bytes.
// Each program's own start-up (a run that does nothing: this benchmark's
// child links Qt, cp does not) is measured at the start and taken off its
// timings, so that a copy of a few milliseconds, as a reflink is, compares
// the copies and not the programs; and after caches are dropped, that run
// brings each program's own files back, as a running application has them.

#include "bench_support.h"
#include "copy_bench_data.h"
#include "fs/check/copy_verifier.h"
#include "fs/copy/item_copier.h"
#include "fs/drive/copy_flush.h"
#include "fs/drive/drive_cache.h"
#include "fs/posix_system_io.h"
#include "fs/trash/freedesktop_trash.h"

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
using bench::generate;
using bench::median;
using bench::readDirect;

double seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The program's own files back in the cache after dropping it, as they are
// for an application that is already running: else this benchmark's child
// spends some 30 ms loading Qt from the disk, more than a reflink takes.
void warm(const std::vector<std::string>& program)
{
    mustRun(program);
}

// How much memory each cold start writes over: enough for a run's source
// and copy in the cache, leaving the system its share.
std::size_t touchMiB = 0;

// Caches dropped, then memory written over by a child and given back. In a
// virtual machine that hands freed memory back to its host (free page
// reporting), the next program to use that memory waits for the host to
// supply it again: in pairs of identical copies of 2 GB, the kernel's time
// went from 0.5 s to 2.2 s, whichever program came first. Real machines do
// not do that, and it should fall on neither program.
void coldStart()
{
    dropCaches();
    if (touchMiB > 0)
        mustRun({fs::canonical("/proc/self/exe").native(), "--touch", std::to_string(touchMiB)});
}

std::size_t availableMiB()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::size_t kib = 0;
    while (meminfo >> key >> kib) {
        if (key == "MemAvailable:")
            return kib / 1024;
        meminfo.ignore(256, '\n');
    }
    return 0;
}

// One timed run; the copy is removed and caches dropped first.
double timedRun(const std::vector<std::string>& command, const std::vector<std::string>& warmUp, const fs::path& copy,
                const fs::path& source, bool cold, std::string* output = nullptr)
{
    fs::remove_all(copy);
    coldStart();
    warm(warmUp);
    if (!cold)
        // Through a pipe: GNU tar reads nothing when it writes to /dev/null itself.
        mustRun({"sh", "-c",
                 "tar -C '" + source.parent_path().native() + "' -cf - '" + source.filename().native() +
                     "' | cat >/dev/null"});
    const auto start = std::chrono::steady_clock::now();
    const bench::Measurement m = bench::mustRun(command);
    if (cold)
        ::sync();
    const double elapsed = seconds(start);
    if (output)
        *output = m.output;
    return elapsed;
}

struct Ratios {
    std::vector<double> values;
    void add(double value) { values.push_back(value); }
    double median() const { return bench::median(values); }
    double min() const { return *std::min_element(values.begin(), values.end()); }
    double max() const { return *std::max_element(values.begin(), values.end()); }
};

struct Row {
    std::string label;
    double ours;
    double cp;
    Ratios copy;
    Ratios verify;  // verification's extra time over the copy
    Ratios bound;   // a direct re-read against the copy
    Ratios hashing; // the copy with hashing against the copy alone
    Ratios reRead;  // the verification step against the direct re-read
    Ratios bytes;   // the copy against cp -a --reflink=never, where both could share blocks
};

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
        // Prints how long each step took: the copy with hashing, writing it
        // out to the drive as the transfer does, the re-read, and the move
        // to the Trash.
        const fs::path target = argv[3];
        const int parent = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const auto start = std::chrono::steady_clock::now();
        const auto manifest = copyItemTree(io, argv[2], target, CopyOptions{true});
        const double copied = seconds(start);
        if (parent < 0 || !flushCopy(io, parent, target.filename().native(), target))
            return 1;
        // Through a driver in user space the re-read must not come from the
        // kernel's cache of the device (a transfer remounts the drive).
        const DriveAccess drive = driveAccessOf(io, parent);
        if (drive.userSpaceDriver && (drive.device.empty() || dropBlockDeviceCache(io, drive.device) != 0))
            return 1;
        const double flushed = seconds(start);
        if (!manifest || !verifyItemCopy(io, argv[2], argv[3], manifest.value(), CopyCheck::contentsBeforeTrash))
            return 1;
        const double verified = seconds(start);
        if (!moveToTrash(io, argv[2], TrashEnvironment{argv[4], std::nullopt, ::getuid()}))
            return 1;
        std::printf("%f %f %f %f\n", copied, flushed - copied, verified - flushed, seconds(start) - verified);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--read-direct") == 0)
        return readDirect(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--nothing") == 0)
        return 0;
    if (argc == 3 && std::strcmp(argv[1], "--touch") == 0) {
        const std::size_t bytes = std::size_t(std::atoll(argv[2])) << 20;
        auto* memory = static_cast<volatile char*>(std::malloc(bytes));
        for (std::size_t i = 0; memory && i < bytes; i += 4096)
            memory[i] = 1;
        std::free(const_cast<char*>(memory));
        return 0;
    }

    fs::path data = fs::current_path() / "bench-data" / "copy";
    int runs = 7;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            data = fs::absolute(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: copy_benchmark [--data DIR] [--runs N] [--only LABEL]\n");
            return 2;
        }
    }
    if (!isRoot()) {
        std::printf("needs root: caches must be dropped between runs, and the other file systems are loop images\n");
        return 1;
    }
    generate(data);
    dropCaches();
    touchMiB = std::min<std::size_t>(8192, availableMiB() / 2);
    const std::string self = fs::canonical("/proc/self/exe").native();

    struct Target {
        std::string label;
        fs::path sourceRoot; // where "large" and "small" are
        fs::path folder;     // where the copies go
        fs::path home;       // a Trash on the source's file system
    };
    std::vector<Target> targets{{"same ext4", data, data / "out", data / "home"}};
    std::vector<fs::path> mounts;
    std::vector<std::string> loops;
    const auto image = [&](const std::string& name, const std::string& size) {
        const fs::path file = data / (name + ".img");
        const fs::path point = data / name;
        fs::create_directories(point);
        ::umount2(point.c_str(), MNT_DETACH);
        bench::run({"sh", "-c", "losetup -j '" + file.native() + "' | cut -d: -f1 | xargs -r losetup -d"});
        fs::remove(file);
        mustRun({"truncate", "-s", size, file.native()});
        return std::pair{file, point};
    };
    // A loop device that reads and writes its image directly, as a drive of
    // its own would: else the image's pages stay cached on the internal disk
    // and a read from the "drive" never reaches a disk at all.
    const auto attach = [&](const fs::path& file) {
        const std::string loop = bench::mustRun({"losetup", "-f", "--show", "--direct-io=on", file.native()}).output;
        loops.push_back(loop.substr(0, loop.find('\n')));
        return loops.back();
    };
    if (bench::run({"sh", "-c", "command -v mkfs.xfs >/dev/null"}).status == 0) {
        const auto [file, point] = image("xfs", "8G");
        mustRun({"mkfs.xfs", "-q", "-f", file.native()});
        mustRun({"mount", attach(file), point.native()});
        mounts.push_back(point);
        targets.push_back({"ext4 to XFS", data, point / "out", data / "home"});
        // The source on XFS as well: reflinks.
        fs::create_directories(point / "source");
        mustRun({"cp", "-a", (data / "large").native(), (data / "small").native(), (point / "source").native()});
        targets.push_back({"same XFS", point / "source", point / "out-same", point / "home"});
    } else {
        std::printf("no mkfs.xfs (xfsprogs): XFS skipped\n");
    }
    if (::access("/dev/fuse", W_OK) == 0 &&
        bench::run({"sh", "-c", "command -v mount.exfat-fuse >/dev/null"}).status == 0) {
        const auto [file, point] = image("exfat", "6G");
        mustRun({"mkfs.exfat", file.native()});
        mustRun({"mount.exfat-fuse", attach(file), point.native()});
        mounts.push_back(point);
        targets.push_back({"ext4 to exFAT", data, point / "out", data / "home"});
    } else {
        std::printf("no /dev/fuse or exfat-fuse: exFAT skipped\n");
    }

    // Start-up, warm, as every timed run finds the programs' own files cached.
    const auto startup = [](const std::vector<std::string>& command) {
        std::vector<double> times;
        for (int i = 0; i < 15; ++i)
            times.push_back(bench::mustRun(command).seconds);
        return median(times);
    };
    const std::vector<std::string> ourWarmUp{self, "--nothing"};
    const std::vector<std::string> cpWarmUp{"cp", "--version"};
    const double ourStartup = startup(ourWarmUp);
    const double cpStartup = startup(cpWarmUp);
    std::printf("start-up, taken off every timing: this benchmark's child %.1f ms, cp %.1f ms\n", ourStartup * 1e3,
                cpStartup * 1e3);
    std::printf("%d runs each, interleaved; caches dropped and %zu MiB of memory written over before every run, "
                "sync inside the timing\n",
                runs, touchMiB);
    std::fflush(stdout);
    std::vector<Row> rows;
    for (const Target& target : targets) {
        if (!only.empty() && target.label != only)
            continue;
        fs::create_directories(target.folder);
        fs::create_directories(target.home);
        for (const char* tree : {"large", "small"}) {
            const fs::path source = target.sourceRoot / tree;
            const fs::path copy = target.folder / tree;
            Row row{target.label + ", " + tree, 0, 0, {}, {}, {}, {}, {}, {}};
            // cp -a shares blocks too (coreutils 9 does by default): what a
            // copy of the bytes would take is measured besides.
            const bool sharing = target.sourceRoot.parent_path() == target.folder.parent_path();
            std::vector<double> ours, cp;
            for (int run = 0; run < runs; ++run) {
                const auto oursRun = [&] {
                    return timedRun({self, "--copy", source.native(), copy.native()}, ourWarmUp, copy, source, true) -
                           ourStartup;
                };
                const auto cpRun = [&] {
                    return timedRun({"cp", "-a", source.native(), copy.native()}, cpWarmUp, copy, source, true) -
                           cpStartup;
                };
                double a = 0, b = 0;
                if (run % 2 == 0) {
                    a = oursRun();
                    b = cpRun();
                } else {
                    b = cpRun();
                    a = oursRun();
                }
                if (sharing) {
                    const double byteCopy = timedRun({"cp", "-a", "--reflink=never", source.native(), copy.native()},
                                                     cpWarmUp, copy, source, true) -
                                            cpStartup;
                    row.bytes.add(a / byteCopy);
                    std::printf("  run %d: cp -a --reflink=never %.3f s\n", run + 1, byteCopy);
                    fs::remove_all(copy);
                    mustRun({self, "--copy", source.native(), copy.native()});
                }
                // The copy is there: how fast can it be read back from the drive?
                coldStart();
                warm(ourWarmUp);
                const auto readStart = std::chrono::steady_clock::now();
                mustRun({self, "--read-direct", copy.native()});
                const double readBack = seconds(readStart) - ourStartup;
                std::string phases;
                const double verify =
                    timedRun({self, "--transfer", source.native(), copy.native(), target.home.native()}, ourWarmUp,
                             copy, source, true, &phases) -
                    ourStartup;
                double copyPhase = 0, flushPhase = 0, verifyPhase = 0, trashPhase = 0;
                std::sscanf(phases.c_str(), "%lf %lf %lf %lf", &copyPhase, &flushPhase, &verifyPhase, &trashPhase);
                row.hashing.add((copyPhase + flushPhase) / a); // both with the sync
                row.reRead.add(verifyPhase / readBack);
                restoreFromTrash(target.home, source);
                std::printf("  run %d: loftwell %.3f s, cp -a %.3f s, direct re-read %.3f s, transfer %.3f s "
                            "(copy %.3f, flush %.3f, verification %.3f, Trash %.3f)\n",
                            run + 1, a, b, readBack, verify, copyPhase, flushPhase, verifyPhase, trashPhase);
                std::fflush(stdout);
                ours.push_back(a);
                cp.push_back(b);
                row.copy.add(a / b);
                row.verify.add(verify / a - 1.0);
                row.bound.add(readBack / a);
            }
            row.ours = median(ours);
            row.cp = median(cp);
            std::printf("%-22s loftwell %6.2f s  cp -a %6.2f s  ratio %.2fx (%.2f-%.2f)  verify +%.2fx (%.2f-%.2f)  "
                        "direct re-read %.2fx  copy with hashing %.2fx  verification step / direct re-read %.2fx\n",
                        row.label.c_str(), row.ours, row.cp, row.copy.median(), row.copy.min(), row.copy.max(),
                        row.verify.median(), row.verify.min(), row.verify.max(), row.bound.median(),
                        row.hashing.median(), row.reRead.median());
            if (!row.bytes.values.empty())
                std::printf("%-22s against cp -a --reflink=never: %.3fx (%.3f-%.3f)\n", row.label.c_str(),
                            row.bytes.median(), row.bytes.min(), row.bytes.max());
            std::fflush(stdout);
            rows.push_back(row);
            fs::remove_all(copy);
        }
    }

    std::printf("\n| destination, files | copy / cp -a (min-max) | verification adds (min-max) | direct re-read / copy "
                "| copy with hashing / copy | verification step / direct re-read (min-max) "
                "| copy / cp -a --reflink=never (min-max) |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows) {
        char bytes[64] = "-";
        if (!row.bytes.values.empty())
            std::snprintf(bytes, sizeof bytes, "%.3fx (%.3f-%.3f)", row.bytes.median(), row.bytes.min(),
                          row.bytes.max());
        std::printf("| %s | %.2fx (%.2f-%.2f) | %.2fx (%.2f-%.2f) | %.2fx | %.2fx | %.2fx (%.2f-%.2f) | %s |\n",
                    row.label.c_str(), row.copy.median(), row.copy.min(), row.copy.max(), row.verify.median(),
                    row.verify.min(), row.verify.max(), row.bound.median(), row.hashing.median(), row.reRead.median(),
                    row.reRead.min(), row.reRead.max(), bytes);
    }
    for (const fs::path& point : mounts)
        ::umount2(point.c_str(), 0);
    for (const std::string& loop : loops)
        bench::run({"losetup", "-d", loop});
    for (const char* name : {"xfs", "exfat"})
        fs::remove(data / (std::string(name) + ".img"));
    return 0;
}
