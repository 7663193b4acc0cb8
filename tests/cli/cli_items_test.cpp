// `loftwell-cli transfer --items` on real folders, to a second file system
// (an ext4 image): exactly the named items move, whatever their size, hidden
// files and all, checked and trashed; refusals stop everything before
// anything is written; an item inside another moves once, with it.

#include "support/loop_mount.h"
#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QProcess>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments, const fs::path& home)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(120'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString arg(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

Outcome items(const fs::path& home, const fs::path& to, const std::vector<fs::path>& paths)
{
    QStringList arguments{QStringLiteral("transfer"), QStringLiteral("--to"), arg(to), QStringLiteral("--trash"),
                          QStringLiteral("--items")};
    for (const fs::path& path : paths)
        arguments << arg(path);
    return run(QStringLiteral(LOFTWELL_CLI_PATH), arguments, home);
}

} // namespace

TEST(CliItems, ExactlyTheNamedItemsMoveCheckedAndTrashed)
{
    TempDir dir;
    makeFolder(dir / "media");
    LoopMount drive(dir / "media", "ext4", 96);
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    const fs::path home = dir / "home";
    const fs::path note = home / "Documents" / "note.txt";
    const fs::path clip = home / "Videos" / "deep" / "down" / "clip.mkv";
    const fs::path project = home / "Projects" / ".site";
    writeFile(note, 1000, 'n');
    writeFile(clip, 20'000'000, 'c');
    writeFile(project / ".git" / "HEAD", 41, 'h');
    writeFile(project / "index.html", 5000, 'i');
    const std::string originalHead = readAll(project / ".git" / "HEAD");

    const Outcome moved = items(home, drive.mountPoint(), {note, clip, project, project / ".git", note});
    ASSERT_EQ(moved.status, 0) << moved.out.toStdString() << moved.err.toStdString();
    EXPECT_TRUE(moved.err.contains(arg(project / ".git") + QStringLiteral(" lies inside ") + arg(project)))
        << moved.err.toStdString();
    EXPECT_TRUE(moved.err.contains(arg(note) + QStringLiteral(" is given more than once")));
    const fs::path dated = fs::directory_iterator(drive / "Loftwell")->path();
    // Each under the folder it was in, named as the scan names locations.
    EXPECT_EQ(readAll(dated / "Documents" / "note.txt"), std::string(1000, 'n'));
    EXPECT_TRUE(readAll(dated / "down" / "clip.mkv") == std::string(20'000'000, 'c'));
    EXPECT_EQ(readAll(dated / "Projects" / ".site" / ".git" / "HEAD"), originalHead);
    EXPECT_EQ(readAll(dated / "Projects" / ".site" / "index.html"), std::string(5000, 'i'));
    for (const fs::path& original : {note, clip, project})
        EXPECT_FALSE(fs::exists(original)) << original;
    const Outcome listed = run(QStringLiteral("trash-list"), {}, home);
    if (listed.status != 0)
        GTEST_SKIP() << "trash-cli is not available";
    for (const fs::path& original : {note, clip, project})
        EXPECT_TRUE(listed.out.contains(arg(original))) << listed.out.toStdString();
}

TEST(CliItems, EachRefusalStopsTheRunBeforeAnythingIsWritten)
{
    TempDir dir;
    const fs::path home = dir / "home";
    const fs::path drive = dir / "drive";
    makeFolder(drive);
    writeFile(home / "movie.mkv", 1000);
    makeSymlink(home / "movie.mkv", home / "link.mkv");
    makeFolder(home / "Album");
    makeSymlink(home / "Album", home / "album-link");
    struct Refusal {
        fs::path item;
        fs::path to;
        QString said;
    };
    for (const Refusal& refusal : {Refusal{home / "nothing.iso", drive, QStringLiteral("No such file or folder")},
                                   Refusal{home / "link.mkv", drive, QStringLiteral("a symbolic link")},
                                   Refusal{home / "album-link/", drive, QStringLiteral("a symbolic link")},
                                   Refusal{drive, drive, QStringLiteral("holds the destination")},
                                   Refusal{dir.path(), drive, QStringLiteral("holds the destination")}}) {
        const Outcome refused = items(home, refusal.to, {home / "movie.mkv", refusal.item});
        EXPECT_EQ(refused.status, 2) << refusal.item;
        EXPECT_TRUE(refused.err.contains(arg(refusal.item) + QStringLiteral(": ") + refusal.said))
            << refused.err.toStdString();
        EXPECT_FALSE(fs::exists(drive / "Loftwell"));
        EXPECT_TRUE(fs::exists(home / "movie.mkv"));
    }
    EXPECT_EQ(run(QStringLiteral(LOFTWELL_CLI_PATH),
                  {QStringLiteral("transfer"), QStringLiteral("--to"), arg(drive), QStringLiteral("--items")}, home)
                  .status,
              2);
}

// What is not an item to move fails with its own reason, its original kept,
// and the others still go.
TEST(CliItems, APipeTheTrashAndAnItemOnTheDriveEachFailForTheirOwnReason)
{
    TempDir dir;
    makeFolder(dir / "media");
    LoopMount drive(dir / "media", "ext4", 64);
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    const fs::path home = dir / "home";
    const fs::path pipe = home / "pipe";
    const fs::path trash = home / ".local" / "share" / "Trash" / "files";
    const fs::path onDrive = drive.mountPoint() / "old.iso";
    makeFolder(home);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    writeFile(trash / "gone.txt", 100);
    writeFile(onDrive, 1000);
    writeFile(home / "note.txt", 1000);

    const Outcome moved = items(home, drive.mountPoint(), {pipe, trash, onDrive, home / "note.txt"});
    EXPECT_EQ(moved.status, 1) << moved.out.toStdString();
    for (const auto& [item, reason] :
         {std::pair{pipe, QStringLiteral("Not a file or folder but a pipe, socket or device")},
          std::pair{trash, QStringLiteral("This is the Trash")},
          std::pair{onDrive, QStringLiteral("Already on the destination drive")}}) {
        EXPECT_TRUE(moved.err.contains(reason)) << moved.err.toStdString();
        EXPECT_TRUE(fs::exists(fs::symlink_status(item))) << item;
    }
    EXPECT_FALSE(moved.err.contains(QStringLiteral("Input/output error"))) << moved.err.toStdString();
    EXPECT_FALSE(fs::exists(home / "note.txt"));
}
