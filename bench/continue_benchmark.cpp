// What going on with a move cut short saves: a move with the Trash of eight
// items (2 GiB by default) to an ext4 drive on a disk that counts what it
// is sent (a FUSE disk under a loop device, support/lying_disk.cpp), run by
// loftwell-cli from scratch, then killed once half of its copies are whole
// and run again with --continue; cp -a of the same items in the same
// rounds for reference. The disk writes at a USB stick's pace (25 ms a MiB,
// about 40 MB/s) and reads at its own; caches are dropped before every run.
//   continue_benchmark [MIB_PER_ITEM [MS_PER_MIB]]   (root and /dev/fuse; 256 and 25)

#include "bench_support.h"
#include "support/fake_disk.h"
#include "support/run_tool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int itemCount = 8;

void dropCaches()
{
    ::sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
}

void syncDrive(const fs::path& drive)
{
    const int fd = ::open(drive.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::syncfs(fd);
    ::close(fd);
}

int wholeCopies(const fs::path& drive)
{
    int count = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(drive / "Loftwell", error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        count += it->path().filename().native().ends_with(".loftwell-unchecked");
    return count;
}

struct Row {
    const char* name;
    double seconds;
    long long written;
    long long read;
    int status;
};

class Bench {
public:
    Bench(const fs::path& work, const FakeDisk& disk, const fs::path& drive) : work_(work), disk_(disk), drive_(drive)
    {
    }

    QProcess* start(const QStringList& arguments)
    {
        auto* process = new QProcess;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QString::fromStdString((work_ / "home").native()));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        process->setProcessEnvironment(environment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QStringLiteral(LOFTWELL_CLI_PATH), arguments);
        return process;
    }

    QStringList move(bool continuing) const
    {
        QStringList arguments{QStringLiteral("transfer"), QStringLiteral("--to"),
                              QString::fromStdString(drive_.native()), QStringLiteral("--trash"),
                              QStringLiteral("--all")};
        if (continuing)
            arguments << QStringLiteral("--continue");
        return arguments << QString::fromStdString((work_ / "home" / "Downloads").native());
    }

    // Runs `body`, then puts what it wrote on the drive, and counts.
    template <typename Body>
    Row measure(const char* name, const Body& body)
    {
        dropCaches();
        const long long written = disk_.bytesWritten();
        const long long read = disk_.bytesRead();
        QElapsedTimer timer;
        timer.start();
        const int status = body();
        syncDrive(drive_);
        return {name, double(timer.elapsed()) / 1000, disk_.bytesWritten() - written, disk_.bytesRead() - read, status};
    }

    // The originals back from the Trash, the drive emptied: the next round starts alike.
    void reset() const
    {
        const fs::path trash = work_ / "home" / ".local" / "share" / "Trash";
        for (int i = 1; i <= itemCount; ++i) {
            const std::string name = "item" + std::to_string(i) + ".bin";
            if (fs::exists(trash / "files" / name))
                fs::rename(trash / "files" / name, work_ / "home" / "Downloads" / name);
        }
        fs::remove_all(trash);
        fs::remove_all(drive_ / "Loftwell");
        fs::remove_all(drive_ / "cp");
        syncDrive(drive_);
    }

private:
    fs::path work_;
    const FakeDisk& disk_;
    fs::path drive_;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const std::size_t mebibytes = argc > 1 ? std::size_t(std::atoi(argv[1])) : 256;
    const int slow = argc > 2 ? std::atoi(argv[2]) : 25;
    const fs::path work = fs::temp_directory_path() / ("loftwell-continue-" + std::to_string(::getpid()));
    fs::create_directories(work / "home" / "Downloads");
    int status = 1;
    {
        const int diskMegabytes = int(mebibytes * itemCount * 1.3) + 256;
        FakeDisk disk(work, diskMegabytes, diskMegabytes);
        const fs::path drive = work / "drive";
        fs::create_directories(drive);
        if (!disk.attached() ||
            !runTool(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-E"),
                                                   QStringLiteral("lazy_itable_init=0,lazy_journal_init=0"),
                                                   QString::fromStdString(disk.device())}) ||
            ::mount(disk.device().c_str(), drive.c_str(), "ext4", 0, nullptr) != 0) {
            std::printf("no counting drive: %s\n", disk.attached() ? "could not format it" : disk.why().c_str());
            fs::remove_all(work);
            return 1;
        }
        for (int i = 1; i <= itemCount; ++i)
            bench::writeRandomFile(work / "home" / "Downloads" / ("item" + std::to_string(i) + ".bin"), mebibytes,
                                   unsigned(i));
        disk.setMode("slow " + std::to_string(slow));
        Bench bench(work, disk, drive);
        std::vector<Row> rows;
        rows.push_back(bench.measure("cp -a, from scratch", [&] {
            fs::create_directories(drive / "cp");
            return runTool(QStringLiteral("cp"),
                           {QStringLiteral("-a"), QString::fromStdString((work / "home" / "Downloads").native()),
                            QString::fromStdString((drive / "cp").native())})
                       ? 0
                       : 1;
        }));
        bench.reset();
        rows.push_back(bench.measure("loftwell, from scratch", [&] {
            std::unique_ptr<QProcess> run(bench.start(bench.move(false)));
            run->waitForFinished(-1);
            return run->exitCode();
        }));
        bench.reset();
        int whole = 0;
        rows.push_back(bench.measure("loftwell, killed at half", [&] {
            std::unique_ptr<QProcess> run(bench.start(bench.move(false)));
            while ((whole = wholeCopies(drive)) < itemCount / 2 && !run->waitForFinished(1)) {
            }
            run->kill();
            run->waitForFinished(-1);
            return whole;
        }));
        rows.push_back(bench.measure("loftwell --continue, the rest", [&] {
            std::unique_ptr<QProcess> run(bench.start(bench.move(true)));
            run->waitForFinished(-1);
            return run->exitCode();
        }));
        std::printf("move of %d items of %zu MiB with the Trash to ext4 on a counting disk writing %.0f MB/s; %d whole "
                    "at the kill\n",
                    itemCount, mebibytes, 1048.576 / std::max(slow, 1), whole);
        std::printf("%-32s %9s %14s %14s %7s\n", "run", "time (s)", "written (MiB)", "read (MiB)", "status");
        for (const Row& row : rows)
            std::printf("%-32s %9.1f %14.1f %14.1f %7d\n", row.name, row.seconds, double(row.written) / (1 << 20),
                        double(row.read) / (1 << 20), row.status);
        status = rows[1].status == 0 && rows[3].status == 0 ? 0 : 2;
        ::umount(drive.c_str());
    }
    fs::remove_all(work);
    return status;
}
