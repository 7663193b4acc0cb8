#pragma once
// Trees of other shapes for the scan benchmark, each generated once and
// reproducibly (fixed seeds) into a folder of its own: how a home really
// looks varies more than one balanced tree shows.
//   skewed       22 top folders of very different sizes (the largest holds
//                a fifth of the files), random depth up to 12, 10 % of the
//                files preallocated and 5 % sparse
//   deep-narrow  a binary tree 15 levels deep, 3 files a folder
//   wide         5,000 top folders of 40 files each
//   mixed        written, preallocated, sparse and hard-linked files, a
//                quarter each, in 10,000 folders
// and, for scale, a home of 2,000,000 files in 200,000 folders (40 top
// folders; small files, 1 % of them sparse 64 MiB ones; about 2 GB on disk).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

inline void writeBytes(const std::filesystem::path& path, std::size_t bytes)
{
    static const std::string data(1 << 20, 'L');
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    while (bytes > 0) {
        const auto n = ::write(fd, data.data(), std::min(bytes, data.size()));
        if (n <= 0)
            std::exit(1);
        bytes -= std::size_t(n);
    }
    ::close(fd);
}

inline std::size_t pickSize(std::mt19937_64& random)
{
    static const std::size_t sizes[] = {0, 120, 900, 3000, 5000, 9000, 14000, 40000};
    return sizes[random() % std::size(sizes)];
}

// One file of a kind: 0 written, 1 preallocated, 2 sparse (a byte in 64 MiB).
inline void makeFile(const std::filesystem::path& path, int kind, std::mt19937_64& random)
{
    if (kind == 0) {
        writeBytes(path, pickSize(random));
        return;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (kind == 1)
        ::posix_fallocate(fd, 0, off_t(64 * 1024 + random() % (256 * 1024)));
    else if (::ftruncate(fd, 64LL << 20) != 0 || ::pwrite(fd, "x", 1, off_t(random() % (64LL << 20))) != 1)
        std::exit(1);
    ::close(fd);
}

struct ShapeCount {
    std::size_t files = 0;
    std::size_t folders = 0;
};

inline void skewedTree(const std::filesystem::path& root, ShapeCount& count)
{
    std::mt19937_64 random(46001);
    const std::size_t total = 300'000;
    // Weights falling from 20 %: a few big top folders, many small ones.
    std::vector<double> weights{20};
    for (int i = 1; i < 22; ++i)
        weights.push_back(weights.back() * 0.82);
    double sum = 0;
    for (double w : weights)
        sum += w;
    for (std::size_t top = 0; top < weights.size(); ++top) {
        auto files = std::size_t(double(total) * weights[top] / sum);
        std::vector<std::filesystem::path> folders{root / ("top " + std::to_string(top))};
        std::filesystem::create_directories(folders.front());
        ++count.folders;
        while (files > 0) {
            const std::filesystem::path parent = folders[random() % folders.size()];
            const auto depth =
                std::distance(parent.lexically_relative(root).begin(), parent.lexically_relative(root).end());
            std::filesystem::path folder = parent;
            if (depth < 12) {
                folder = parent / ("d" + std::to_string(folders.size()));
                std::filesystem::create_directories(folder);
                folders.push_back(folder);
                ++count.folders;
            }
            const std::size_t here = std::min<std::size_t>(files, 1 + random() % 19);
            for (std::size_t f = 0; f < here; ++f, --files, ++count.files) {
                const auto roll = random() % 100;
                makeFile(folder / ("f" + std::to_string(count.files)), roll < 10 ? 1 : roll < 15 ? 2 : 0, random);
            }
        }
    }
}

inline void deepNarrowTree(const std::filesystem::path& root, ShapeCount& count)
{
    std::mt19937_64 random(46002);
    const std::function<void(const std::filesystem::path&, int)> grow = [&](const std::filesystem::path& folder,
                                                                            int depth) {
        std::filesystem::create_directories(folder);
        ++count.folders;
        for (int f = 0; f < 3; ++f, ++count.files)
            writeBytes(folder / ("file " + std::to_string(f)), pickSize(random));
        if (depth < 15) {
            grow(folder / "left", depth + 1);
            grow(folder / "right", depth + 1);
        }
    };
    for (int top = 0; top < 4; ++top)
        grow(root / ("branch " + std::to_string(top)), 3);
}

inline void wideTree(const std::filesystem::path& root, ShapeCount& count)
{
    std::mt19937_64 random(46003);
    for (int top = 0; top < 5000; ++top) {
        const std::filesystem::path folder = root / ("project-" + std::to_string(top));
        std::filesystem::create_directories(folder);
        ++count.folders;
        for (int f = 0; f < 40; ++f, ++count.files)
            writeBytes(folder / ("file" + std::to_string(f)), pickSize(random) / 2);
    }
}

inline void mixedTree(const std::filesystem::path& root, ShapeCount& count)
{
    std::mt19937_64 random(46004);
    std::vector<std::filesystem::path> written;
    for (int top = 0; top < 20; ++top) {
        for (int sub = 0; sub < 500; ++sub) {
            const std::filesystem::path folder =
                root / ("area " + std::to_string(top)) / ("set " + std::to_string(sub));
            std::filesystem::create_directories(folder);
            ++count.folders;
            for (int f = 0; f < 10; ++f, ++count.files) {
                const std::filesystem::path file = folder / ("item" + std::to_string(f));
                const int kind = int(random() % 4);
                if (kind == 3 && !written.empty()) {
                    std::filesystem::create_hard_link(written[random() % written.size()], file);
                    continue;
                }
                makeFile(file, std::min(kind, 2), random);
                if (kind == 0)
                    written.push_back(file);
            }
        }
    }
}

inline void twoMillionHome(const std::filesystem::path& root, ShapeCount& count)
{
    std::mt19937_64 random(46005);
    static const std::size_t small[] = {0, 120, 900, 3000};
    for (int top = 0; top < 40; ++top) {
        for (int a = 0; a < 50; ++a) {
            for (int b = 0; b < 100; ++b) {
                const std::filesystem::path folder =
                    root / ("folder " + std::to_string(top)) / ("part " + std::to_string(a)) / std::to_string(b);
                std::filesystem::create_directories(folder);
                ++count.folders;
                for (int f = 0; f < 10; ++f, ++count.files) {
                    const std::filesystem::path file = folder / ("f" + std::to_string(f));
                    if (random() % 100 == 0)
                        makeFile(file, 2, random);
                    else
                        writeBytes(file, small[random() % std::size(small)]);
                }
            }
        }
    }
}

struct TreeShape {
    const char* name;
    void (*generate)(const std::filesystem::path&, ShapeCount&);
};

inline const std::vector<TreeShape>& treeShapes()
{
    static const std::vector<TreeShape> shapes{
        {"skewed", skewedTree}, {"deep-narrow", deepNarrowTree}, {"wide", wideTree}, {"mixed", mixedTree}};
    return shapes;
}

inline const TreeShape& twoMillionShape()
{
    static const TreeShape shape{"home-2m", twoMillionHome};
    return shape;
}

// The tree of `shape` under `root`, generated on first use.
inline void ensureShape(const TreeShape& shape, const std::filesystem::path& root)
{
    if (std::filesystem::exists(root / ".complete"))
        return;
    std::printf("generating %s (once) ...\n", root.c_str());
    std::fflush(stdout);
    std::filesystem::remove_all(root);
    ShapeCount count;
    shape.generate(root, count);
    std::ofstream(root / ".complete") << count.files << " files, " << count.folders << " folders\n";
}

} // namespace bench
