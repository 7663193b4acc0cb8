// Scan benchmark: Loftwell's tree measure against `du -s -B1`, `gdu` and
// `ncdu` on the same tree in the same rounds, warm and cold, with the median
// of the per-round ratios and their spread, and the peak memory of a whole
// scan.
//
//   build/bench/scan_benchmark [--tree DIR] [--runs N] [--no-cold]
//
// Where liburing is installed, a walk that sends its stat calls through
// io_uring (32 and 128 in flight) runs in the same rounds, as the other way
// of keeping many requests in flight.
//
// The tree (about 300,000 files in 30,000 folders, hidden files and folders,
// symbolic links including a loop, sparse and preallocated files, and one
// folder of 100,000 files) is generated reproducibly on first use under DIR
// (default: bench-data/scan-tree in the working directory) and kept for later
// runs. Cold runs drop the page cache first and need root.
//
// With --shapes, it times instead the whole `loftwell-cli scan` process on
// trees of other shapes (scan_shapes.h, made beside DIR), against du and gdu,
// with the walk alone and the floor of any walk beside it; with --scale, on a
// home of two million files.

#include "bench_support.h"
#include "scan_shapes.h"
#ifdef LOFTWELL_BENCH_URING
#include "uring_tree_size.h"
#endif
#include "fs/posix_file_system.h"
#include "fs/posix_system_io.h"
#include "fs/walk/tree_size.h"
#include "scan/candidate_scanner.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Measurement;
using bench::median;
using bench::pickSize;
using bench::writeBytes;

Measurement runProgram(const std::vector<std::string>& argv)
{
    return bench::mustRun(argv);
}

void generateTree(const fs::path& root)
{
    std::printf("generating %s (once) ...\n", root.c_str());
    std::fflush(stdout);
    fs::remove_all(root);
    std::mt19937_64 random(20261207);
    std::size_t files = 0, folders = 0;
    // deep: 30 x 10 x 100 folders, about 6-7 files each.
    for (int a = 0; a < 30; ++a) {
        for (int b = 0; b < 10; ++b) {
            for (int c = 0; c < 100; ++c) {
                const fs::path folder = root / "deep" / ("area " + std::to_string(a)) / ("group-" + std::to_string(b)) /
                                        ("folder_" + std::to_string(c));
                fs::create_directories(folder);
                ++folders;
                const int count = 6 + int(random() % 2);
                for (int f = 0; f < count; ++f, ++files)
                    writeBytes(folder / ("file " + std::to_string(f) + ".dat"), pickSize(random));
                if (c % 10 == 0) {
                    writeBytes(folder / ".hidden-note", 30000);
                    fs::create_directories(folder / ".cache");
                    writeBytes(folder / ".cache" / "blob", 60000);
                }
                if (c % 25 == 0) {
                    fs::create_symlink("file 0.dat", folder / "link-to-file");
                    fs::create_symlink("..", folder / "loop");
                }
            }
        }
    }
    // Sparse and preallocated files.
    for (int i = 0; i < 20; ++i) {
        const fs::path sparse = root / "deep" / "area 0" / ("sparse-" + std::to_string(i) + ".img");
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::ftruncate(fd, 512LL << 20);
        ::pwrite(fd, "x", 1, 100LL << 20);
        ::close(fd);
        const fs::path prealloc = root / "deep" / "area 1" / ("prealloc-" + std::to_string(i) + ".bin");
        const int pd = ::open(prealloc.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::posix_fallocate(pd, 0, 4LL << 20);
        ::close(pd);
        files += 2;
    }
    // wide: one folder of 100,000 files.
    fs::create_directories(root / "wide");
    for (int f = 0; f < 100000; ++f, ++files)
        writeBytes(root / "wide" / ("item-" + std::to_string(f)), pickSize(random) / 4);
    std::ofstream(root / ".complete") << files << " files, " << folders << " folders\n";
    std::printf("generated %zu files in %zu folders\n", files, folders);
}

void dropCaches()
{
    bench::dropCaches();
}

// Allocated bytes of regular files, hidden ones included, by find(1).
std::int64_t independentSize(const fs::path& tree)
{
    const Measurement m = runProgram({"find", tree.native(), "-type", "f", "-printf", "%b\n"});
    std::int64_t blocks = 0;
    for (std::size_t pos = 0; pos < m.output.size();) {
        const std::size_t end = m.output.find('\n', pos);
        blocks += std::atoll(m.output.substr(pos, end - pos).c_str());
        pos = end + 1;
    }
    return blocks * 512;
}

// The whole `loftwell-cli scan` of each shape's tree, as a user runs it
// (start-up, the scan, the list printed), against du and gdu on the same
// tree in the same rounds, cold and warm. Beside it, the walk alone (this
// benchmark's --measure) and the floor that bounds any walk here: warm, du's
// own CPU time split over all cores (every walker makes du's calls, one stat
// per entry and one listing per folder, and warm they are all kernel work);
// cold, the walk alone with twice the requests in flight, which the drive
// answers no faster. Returns false when a target is missed.
bool shapesTable(const fs::path& data, const std::string& self, const std::string& cli, int runs, bool cold,
                 const std::string& only)
{
    const bool gdu = bench::onPath("gdu");
    if (!gdu)
        std::printf("(gdu not installed: apt-get install gdu; its column stays empty)\n");
    const double cores = double(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    std::printf("%-12s %-4s %9s %9s %9s %9s %17s %17s %9s %8s %s\n", "shape", "", "loftwell", "walk", "du", "gdu",
                "x du (spread)", "x gdu (spread)", "floor x du", "RSS MiB", "targets");
    bool met = true;
    for (const bench::TreeShape& shape : bench::treeShapes()) {
        if (!only.empty() && only != shape.name)
            continue;
        const fs::path tree = data / (std::string("shape-") + shape.name);
        bench::ensureShape(shape, tree);
        const std::vector<std::string> ours{cli, "scan", tree.native()};
        const std::vector<std::string> walk{self, "--measure", tree.native()};
        const std::vector<std::string> deeper{self, "--measure", tree.native(), std::to_string(2 * treeWalkWorkers)};
        const std::vector<std::string> du{"du", "-s", "-B1", tree.native()};
        const std::vector<std::string> theirs{"gdu", "-n", "-p", "-s", tree.native()};
        for (const bool coldRun : {true, false}) {
            if (coldRun && !cold)
                continue;
            const auto timed = [&](const std::vector<std::string>& argv) {
                if (coldRun)
                    dropCaches();
                return bench::run(argv, true);
            };
            if (!coldRun) { // warm the cache
                bench::run(ours, true);
                bench::run(du, true);
            }
            std::vector<double> a, w, b, c, toDu, toGdu, floor;
            long rss = 0;
            for (int round = 0; round < runs; ++round) {
                const Measurement scan = timed(ours);
                const Measurement alone = timed(walk);
                const Measurement reference = timed(du);
                a.push_back(scan.seconds);
                w.push_back(alone.seconds);
                b.push_back(reference.seconds);
                toDu.push_back(scan.seconds / reference.seconds);
                floor.push_back((coldRun ? timed(deeper).seconds : reference.cpuSeconds / cores) / reference.seconds);
                rss = std::max(rss, scan.maxRssKiB);
                if (gdu) {
                    const Measurement other = timed(theirs);
                    c.push_back(other.seconds);
                    toGdu.push_back(scan.seconds / other.seconds);
                }
            }
            const auto spread = [](const std::vector<double>& ratios) {
                if (ratios.empty())
                    return std::string("-");
                const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
                char text[64];
                std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", median(ratios), *low, *high);
                return std::string(text);
            };
            const bool ok =
                coldRun ? median(toDu) <= 0.35 && (toGdu.empty() || median(toGdu) <= 0.45) : median(toDu) <= 0.40;
            met = met && ok;
            std::printf("%-12s %-4s %8.3fs %8.3fs %8.3fs %8.3fs %17s %17s %9.2f %8.1f %s\n", shape.name,
                        coldRun ? "cold" : "warm", median(a), median(w), median(b), c.empty() ? 0.0 : median(c),
                        spread(toDu).c_str(), spread(toGdu).c_str(), median(floor), rss / 1024.0,
                        ok ? "met" : "MISSED");
        }
    }
    std::printf("targets: cold at most 0.35x du and 0.45x gdu, warm at most 0.40x du\n"
                "floor: warm, du's CPU time over %.0f cores; cold, the walk alone with %d requests in flight\n",
                cores, 2 * treeWalkWorkers);
    return met;
}

// The whole scan of a generated home of two million files, cold: its time
// and the peak memory of the process, du beside it, and the floor as in the
// table of shapes (the walk alone with twice the requests in flight).
bool scaleRun(const fs::path& data, const std::string& self, const std::string& cli, int runs)
{
    const fs::path home = data / "home-2m";
    bench::ensureShape(bench::twoMillionShape(), home);
    std::vector<double> ours, theirs, floor;
    long rss = 0;
    for (int round = 0; round < runs; ++round) {
        dropCaches();
        const Measurement scan = bench::run({cli, "scan", home.native()}, true);
        dropCaches();
        const Measurement du = bench::run({"du", "-s", "-B1", home.native()}, true);
        dropCaches();
        const Measurement deeper =
            bench::run({self, "--measure", home.native(), std::to_string(2 * treeWalkWorkers)}, true);
        ours.push_back(scan.seconds);
        theirs.push_back(du.seconds);
        floor.push_back(deeper.seconds);
        rss = std::max(rss, scan.maxRssKiB);
    }
    const auto [low, high] = std::minmax_element(ours.begin(), ours.end());
    const bool met = median(ours) < 10 && rss < 32 * 1024;
    std::printf("home of 2,000,000 files, cold: loftwell-cli scan %.2f s (%.2f-%.2f), peak RSS %.1f MiB; du -s %.2f s;"
                " floor %.2f s  %s (targets: under 10 s, under 32 MiB)\n",
                median(ours), *low, *high, rss / 1024.0, median(theirs), median(floor), met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char* argv[])
{
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--measure") == 0) {
        const int workers = argc == 4 ? std::atoi(argv[3]) : treeWalkWorkers;
        std::printf("%lld\n", static_cast<long long>(measureTree(PosixSystemIo(), argv[2], workers).allocatedBytes));
        return 0;
    }
    // The whole scan of a folder, as the window's: its children measured,
    // classified and ordered. Prints the sum of what it recommends.
    if (argc == 3 && std::strcmp(argv[1], "--scan") == 0) {
        const PosixFileSystem fileSystem;
        std::int64_t sum = 0;
        for (const Candidate& candidate : scanCandidates({argv[2]}, fileSystem))
            sum += candidate.sizeBytes();
        std::printf("%lld\n", static_cast<long long>(sum));
        return 0;
    }
#ifdef LOFTWELL_BENCH_URING
    if (argc == 4 && std::strcmp(argv[1], "--measure-uring") == 0) {
        const std::int64_t bytes = uringTreeSize(argv[3], unsigned(std::max(1, std::atoi(argv[2]))));
        std::printf("%lld\n", static_cast<long long>(bytes));
        return bytes < 0 ? 1 : 0;
    }
#endif
    fs::path tree = fs::current_path() / "bench-data" / "scan-tree";
    int runs = 5;
    bool cold = ::geteuid() == 0;
    std::optional<std::string> shapes; // --shapes [NAME]: the table of tree shapes instead
    bool scale = false;                // --scale: the home of two million files instead
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tree") == 0 && i + 1 < argc)
            tree = fs::absolute(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-cold") == 0)
            cold = false;
        else if (std::strcmp(argv[i], "--scale") == 0)
            scale = true;
        else if (std::strcmp(argv[i], "--shapes") == 0)
            shapes = i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i] : "";
        else {
            std::fprintf(stderr,
                         "usage: scan_benchmark [--tree DIR] [--runs N] [--no-cold] [--shapes [NAME] | --scale]\n");
            return 2;
        }
    }
    const std::string self = fs::canonical("/proc/self/exe").native();
    const std::string cli = (fs::path(self).parent_path().parent_path() / "src" / "loftwell-cli").native();
    if (scale)
        return scaleRun(tree.parent_path(), self, cli, runs) ? 0 : 3;
    if (shapes) {
        std::printf("machine: %ld cores; %d rounds each, alternating, medians\n\n", ::sysconf(_SC_NPROCESSORS_ONLN),
                    runs);
        return shapesTable(tree.parent_path(), self, cli, runs, cold, *shapes) ? 0 : 3;
    }
    if (!fs::exists(tree / ".complete"))
        generateTree(tree);

    std::ifstream description(tree / ".complete");
    std::string line;
    std::getline(description, line);
    std::printf("tree: %s (%s)\n", tree.c_str(), line.c_str());
    std::printf("machine: %ld cores; %d runs each, alternating, medians\n\n", ::sysconf(_SC_NPROCESSORS_ONLN), runs);

    // The reference tools, each on the same tree in the same rounds. gdu walks
    // with many goroutines, ncdu with one thread; either may be missing.
    struct Tool {
        const char* name;
        std::vector<std::string> arguments; // the tree's path goes last
        bool printsSize = false;            // the same sum as ours, checked
    };
    std::vector<Tool> tools{{"du -s -B1", {"du", "-s", "-B1"}}};
    if (bench::onPath("gdu"))
        tools.push_back({"gdu -n -p -s", {"gdu", "-n", "-p", "-s"}});
    else
        std::printf("(gdu not installed: apt-get install gdu)\n");
    if (bench::onPath("ncdu"))
        tools.push_back({"ncdu -0 -o /dev/null", {"ncdu", "-0", "-o", "/dev/null"}});
    else
        std::printf("(ncdu not installed: apt-get install ncdu)\n");
#ifdef LOFTWELL_BENCH_URING
    if (uringStatAvailable()) {
        tools.push_back({"io_uring statx, 32", {self, "--measure-uring", "32"}, true});
        tools.push_back({"io_uring statx, 128", {self, "--measure-uring", "128"}, true});
    } else {
        std::printf("(io_uring refused here: not compared)\n");
    }
#endif

    bool allCorrect = true;
    for (const char* part : {"deep", "wide"}) {
        const fs::path target = tree / part;
        const std::int64_t expected = independentSize(target);
        for (bool coldRun : {false, true}) {
            if (coldRun && !cold)
                continue;
            std::vector<double> ours, scans, scanRatios;
            std::int64_t scanned = -1;
            std::vector<std::vector<double>> theirs(tools.size());
            std::vector<std::vector<double>> ratios(tools.size());
            long rss = 0;
            std::int64_t measured = -1;
            const auto timed = [&](const std::vector<std::string>& argv) {
                if (coldRun)
                    dropCaches();
                return runProgram(argv);
            };
            if (!coldRun) { // warm the cache
                runProgram({self, "--measure", target.native()});
                runProgram({"du", "-s", "-B1", target.native()});
            }
            // Rounds alternate the programs, so a slow moment of the disk hits all of them.
            for (int run = 0; run < runs; ++run) {
                const Measurement a = timed({self, "--measure", target.native()});
                ours.push_back(a.seconds);
                rss = std::max(rss, a.maxRssKiB);
                measured = std::atoll(a.output.c_str());
                if (std::strcmp(part, "deep") == 0) { // 30 children, as a scan of a home meets them
                    const Measurement scan = timed({self, "--scan", target.native()});
                    scans.push_back(scan.seconds);
                    scanned = std::atoll(scan.output.c_str());
                }
                for (std::size_t t = 0; t < tools.size(); ++t) {
                    std::vector<std::string> argv = tools[t].arguments;
                    argv.push_back(target.native());
                    const Measurement m = timed(argv);
                    theirs[t].push_back(m.seconds);
                    ratios[t].push_back(a.seconds / m.seconds);
                    if (t == 0 && !scans.empty())
                        scanRatios.push_back(scans.back() / m.seconds);
                    if (tools[t].printsSize && std::atoll(m.output.c_str()) != expected) {
                        allCorrect = false;
                        std::printf("      SIZE MISMATCH: %s %s, find %lld\n", tools[t].name, m.output.c_str(),
                                    (long long)expected);
                    }
                }
            }
            std::printf("%-5s %-4s  loftwell %.3f s   peak RSS %.1f MiB\n", part, coldRun ? "cold" : "warm",
                        median(ours), rss / 1024.0);
            for (std::size_t t = 0; t < tools.size(); ++t) {
                const auto [low, high] = std::minmax_element(ratios[t].begin(), ratios[t].end());
                std::printf("            %-22s %.3f s   ratio %.2fx (%.2f-%.2f)\n", tools[t].name, median(theirs[t]),
                            median(ratios[t]), *low, *high);
            }
            if (!scans.empty()) {
                allCorrect = allCorrect && scanned == expected;
                const auto [low, high] = std::minmax_element(scanRatios.begin(), scanRatios.end());
                std::printf("            %-22s %.3f s   ratio to du %.2fx (%.2f-%.2f)%s\n", "loftwell's whole scan",
                            median(scans), median(scanRatios), *low, *high,
                            scanned == expected ? "" : "   SUM DIFFERS FROM find's");
            }
            if (measured != expected) {
                allCorrect = false;
                std::printf("      SIZE MISMATCH: loftwell %lld, find %lld\n", (long long)measured,
                            (long long)expected);
            } else {
                std::printf("      size %lld bytes = find's sum\n", (long long)measured);
            }
        }
    }

    if (fs::exists(cli)) {
        runProgram({cli, "scan", tree.native()});
        const Measurement scan = runProgram({cli, "scan", tree.native()});
        std::printf("\nloftwell-cli scan of the whole tree (warm): %.3f s, peak RSS %.1f MiB\n", scan.seconds,
                    scan.maxRssKiB / 1024.0);
    }
    return allCorrect ? 0 : 1;
}
