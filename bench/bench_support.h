#pragma once
// What the benchmarks share: running a reference tool (or the benchmark
// itself in a child mode) with its time, peak memory and output, dropping
// the page cache, and medians.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Measurement {
    double seconds = 0;
    double cpuSeconds = 0; // user and system time of the process and its threads
    long maxRssKiB = 0;
    std::string output;
    int status = 0;
};

// Runs a program to its end, capturing its standard output; with
// `quietErrors`, its standard error goes nowhere.
inline Measurement run(const std::vector<std::string>& argv, bool quietErrors = false)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        if (quietErrors) {
            const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            ::dup2(null, 2);
        }
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    Measurement m;
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        m.output.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.maxRssKiB = usage.ru_maxrss;
    m.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return m;
}

// The same, ending the benchmark when the program fails.
inline Measurement mustRun(const std::vector<std::string>& argv)
{
    Measurement m = run(argv);
    if (m.status != 0) {
        std::fprintf(stderr, "failed: %s\n", argv[0].c_str());
        std::exit(1);
    }
    return m;
}

// Writes dirty pages back and, as root, empties the page cache.
inline void dropCaches()
{
    ::sync();
    if (::geteuid() == 0)
        std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
}

// Whether a program of that name is on PATH.
inline bool onPath(const std::string& program)
{
    return run({"sh", "-c", "command -v " + program + " >/dev/null"}).status == 0;
}

// `mebibytes` MiB of pseudo-random bytes (the same for the same seed) at `file`:
// data no drive or cache can shortcut.
inline void writeRandomFile(const std::string& file, std::size_t mebibytes, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::vector<std::uint64_t> block(128 * 1024);
    std::ofstream out(file, std::ios::binary);
    for (std::size_t i = 0; i < mebibytes; ++i) {
        for (auto& word : block)
            word = random();
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * sizeof(std::uint64_t)));
    }
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench
