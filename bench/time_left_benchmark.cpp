// How well the time left holds on a slow stick: a two-item move with the
// Trash to an ext4 drive that writes about 10 MB/s (a FUSE disk under a
// loop device, support/lying_disk.cpp in its slow mode). Every progress
// report goes through the window's own pace; after the run, the time left
// shown at a quarter, half and three quarters of the run is set against
// the time that really remained, with the bar's place beside the share of
// the run's time gone.
//   time_left_benchmark [MS_PER_MIB]   (root and /dev/fuse; default 100)

#include "bench_support.h"
#include "fs/posix_file_system.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/fake_disk.h"
#include "support/run_tool.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Sample {
    double seconds = 0;
    std::optional<double> left;
    double bar = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int slow = argc > 1 ? std::atoi(argv[1]) : 100;
    const fs::path work = fs::temp_directory_path() / ("loftwell-time-left-" + std::to_string(::getpid()));
    fs::create_directories(work / "home" / "Downloads");
    int status = 1;
    {
        FakeDisk disk(work, 512, 512);
        if (!disk.attached()) {
            std::printf("no slow drive: %s\n", disk.why().c_str());
            fs::remove_all(work);
            return 1;
        }
        const QString device = QString::fromStdString(disk.device());
        const fs::path drive = work / "drive";
        fs::create_directories(drive);
        if (runTool(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), device}) &&
            ::mount(disk.device().c_str(), drive.c_str(), "ext4", 0, nullptr) == 0) {
            const std::vector<std::pair<const char*, std::size_t>> files{{"Big.iso", 160}, {"Next.iso", 64}};
            PosixFileSystem fileSystem;
            std::vector<Candidate> items;
            for (const auto& [name, mebibytes] : files) {
                const fs::path file = work / "home" / "Downloads" / name;
                bench::writeRandomFile(file, mebibytes, mebibytes);
                const ItemMeasure measure = measureItem(file, fileSystem);
                items.emplace_back(file, QStringLiteral("Downloads"), QStringLiteral("Disk image"), RiskLevel::safe,
                                   QString(), measure.sizeBytes, measure.fingerprint);
            }
            ::sync();
            disk.setMode("slow " + std::to_string(slow));
            TransferPace pace;
            std::vector<Sample> samples;
            const TransferResult result = transfer(
                items, drive, true, {}, fileSystem, QDateTime::currentDateTime(), {}, [&](const ItemProgress& item) {
                    pace.record(item);
                    samples.push_back({item.runSeconds, pace.secondsLeft(), pace.runFraction()});
                    if (std::getenv("TIME_LEFT_TRACE"))
                        std::fprintf(stderr, "%.2f c%lld v%lld f%d rate %.1f left %.1f\n", item.runSeconds,
                                     (long long)item.copyBytesDone / 1000000, (long long)item.verifyBytesDone / 1000000,
                                     int(item.flushing), pace.bytesPerSecond() / 1e6, pace.secondsLeft().value_or(-1));
                });
            disk.setMode("normal");
            const double end = samples.empty() ? 0 : samples.back().seconds;
            std::printf("move of %zu items (%s) with the Trash, drive writing %.1f MB/s: %.1f s, %s\n", files.size(),
                        "160 + 64 MiB", 1048.576 / slow, end,
                        result.failures.isEmpty() ? "all moved"
                                                  : qPrintable(result.failures.join(QStringLiteral("; "))));
            std::printf("%-8s %8s %10s %10s %8s %6s %6s\n", "point", "at (s)", "shown (s)", "real (s)", "error", "bar",
                        "time");
            bool within = result.failures.isEmpty();
            for (const double point : {0.25, 0.5, 0.75}) {
                const auto sample =
                    std::min_element(samples.begin(), samples.end(), [&](const Sample& a, const Sample& b) {
                        return std::abs(a.seconds - point * end) < std::abs(b.seconds - point * end);
                    });
                const double real = end - sample->seconds;
                const double shown = sample->left.value_or(-1);
                const bool ok = sample->left && std::abs(shown - real) <= std::max(10.0, 0.25 * real);
                within = within && ok;
                std::printf("%-8s %8.1f %10.1f %10.1f %7.0f%% %5.0f%% %5.0f%% %s\n",
                            qPrintable(QString::number(point * 100) + QLatin1Char('%')), sample->seconds, shown, real,
                            real > 0 ? 100 * (shown - real) / real : 0.0, 100 * sample->bar,
                            100 * sample->seconds / end, ok ? "ok" : "OFF");
            }
            status = within ? 0 : 2;
            ::umount(drive.c_str());
        } else {
            std::printf("could not format or mount the slow drive\n");
        }
    }
    fs::remove_all(work);
    return status;
}
