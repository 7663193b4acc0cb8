#pragma once
// A transfer whose system calls a test can fail one by one (fault_injecting_io.h),
// under the real file-system layer: a film, its drive and its Trash in a
// folder of the test's own.

#include "transfer/transfer_engine.h"

#include "scan/candidate_scanner.h"
#include "support/fault_injecting_io.h"
#include "support/rich_folder.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/mount.h>

class TransferFaultTest : public ::testing::Test {
protected:
    TransferFaultTest()
    {
        fileSystem.setHome(dir / "home");
        makeFolder(dir / "home");
        makeFolder(dir / "drive");
        // The usual case, another drive: the kernel's copy refuses (EXDEV),
        // so data goes through reads and writes that faults can reach.
        io.failCall(IoCall::copyFileRange, 1, EXDEV, 1'000'000);
        // Bigger than the copier's 128 KiB buffer, so it takes several writes,
        // and an odd length.
        writeFile(movie(), 3 * 1024 * 1024 + 17, 'm');
        original = readAll(movie());
    }

    std::filesystem::path movie() const { return dir / "src" / "Movie.mkv"; }
    std::filesystem::path copied() const
    {
        return dir / "drive" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads" / "Movie.mkv";
    }
    std::filesystem::path trash() const { return dir / "home" / ".local" / "share" / "Trash"; }

    Candidate candidate(const std::filesystem::path& item)
    {
        const ItemMeasure measure = measureItem(item, fileSystem);
        return Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                         QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }

    TransferResult run(const std::filesystem::path& item, bool toTrash)
    {
        return transfer({candidate(item)}, dir / "drive", toTrash, {}, fileSystem, fixedStart);
    }

    // Three items transferred to a small drive mounted at dir/drive in a
    // private mount namespace, where `detach` may pull it as a desktop does
    // (a lazy unmount); the outcome as words.
    std::string runOnPulledDrive(bool toTrash, const std::function<void(const std::filesystem::path& drive)>& arrange)
    {
        writeFile(dir / "src" / "two.iso", 5000, '2');
        writeFile(dir / "src" / "three.iso", 5000, '3');
        return runWithPrivateMounts([&]() -> std::string {
            const std::filesystem::path drive = dir / "drive";
            if (::mount("tmpfs", drive.c_str(), "tmpfs", 0, "size=64m") != 0)
                return "skip";
            arrange(drive);
            const auto result =
                transfer({candidate(movie()), candidate(dir / "src" / "two.iso"), candidate(dir / "src" / "three.iso")},
                         drive, toTrash, pulledAt_, fileSystem, fixedStart);
            std::string out = std::to_string(result.failedItems.size()) + " failed:";
            for (const ItemFailure& failure : result.failedItems)
                out += failure.error.code == FsErrc::destinationGone ? " gone" : " " + failure.error.code.message();
            out += readAll(movie()) == original ? ", movie kept" : ", movie moved";
            out +=
                std::filesystem::exists(dir / "src" / "two.iso") && std::filesystem::exists(dir / "src" / "three.iso")
                    ? ", others kept"
                    : ", others moved";
            // Once pulled, the mount point is an empty folder of the internal disk.
            if (::umount2(drive.c_str(), MNT_DETACH) == 0)
                out += ", still mounted";
            out += std::filesystem::is_empty(drive) ? ", nothing under the mount point"
                                                    : ", written under the mount point";
            return out;
        });
    }

    static void pull(const std::filesystem::path& drive) { ::umount2(drive.c_str(), MNT_DETACH); }

    TransferProgress pulledAt_;

    // The one failure is for this reason, and the original is untouched.
    void expectFailedAndKept(const TransferResult& result, std::error_code reason)
    {
        ASSERT_EQ(result.failedItems.size(), 1u);
        EXPECT_EQ(result.failedItems[0].error.code, reason) << result.failures[0].toStdString();
        EXPECT_EQ(readAll(movie()), original);
        EXPECT_TRUE(!std::filesystem::exists(trash() / "files") || std::filesystem::is_empty(trash() / "files"));
        EXPECT_TRUE(!std::filesystem::exists(trash() / "info") || std::filesystem::is_empty(trash() / "info"));
    }

    TempDir dir;
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem{io};
    std::string original;
};
