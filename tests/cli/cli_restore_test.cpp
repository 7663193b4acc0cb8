// Moved and brought back for real, on exFAT through exfat-fuse and on ext4:
// a file, a folder with hidden files and a name that is not UTF-8 go to the
// drive and the Trash; `history --json` knows the drive by label and UUID;
// restore takes an original from the Trash without reading the drive, and
// the others, once the Trash is emptied, from the drive with their bytes
// and times; a drive that is not here is named and nothing is written; and
// with no history left, the drive's own record brings a run back into a
// folder the user names.

#include "support/cli_process.h"
#include "support/drive_image.h"
#include "support/loop_mount.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Outcome = CliOutcome;

// Arguments as bytes: a name that is not UTF-8 cannot pass through QProcess's
// text, so bash reads them from a file, one a line.
Outcome cli(const std::vector<std::string>& arguments, const fs::path& home)
{
    std::string lines;
    for (const std::string& argument : arguments)
        lines += argument + '\n';
    const fs::path file = home.parent_path() / "arguments";
    std::ofstream(file, std::ios::binary) << lines;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert("HOME", QString::fromStdString(home.native()));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("bash"),
                  {QStringLiteral("-c"), QStringLiteral("mapfile -t a < \"$0\"; exec \"$1\" \"${a[@]}\""),
                   QString::fromStdString(file.native()), QStringLiteral(LOFTWELL_CLI_PATH)});
    process.closeWriteChannel();
    return finishedCli(process, 300'000);
}

std::string arg(const fs::path& path)
{
    return path.native();
}

std::int64_t modifiedNs(const fs::path& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

void setModified(const fs::path& path)
{
    const timespec times[2] = {{1'741'064'767, 500'000'000}, {1'741'064'767, 500'000'000}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The items, in `folder`.
struct Items {
    fs::path film, album, odd, later;
    Items(const fs::path& folder, const std::string& oddName)
        : film(folder / "film.bin"), album(folder / "album"), odd(folder / oddName), later(folder / "later.bin")
    {
    }
};

struct Home : Items {
    fs::path home, downloads;
    Home(const fs::path& dir, const std::string& oddName)
        : Items(dir / "home" / "Downloads", oddName), home(dir / "home"), downloads(home / "Downloads")
    {
        writeFile(film, 4 << 20, 'f');
        writeFile(album / "song.flac", 300 * 1024, 's');
        writeFile(album / ".hidden" / "cover.jpg", 2000, 'c');
        writeFile(odd, 5000, 'n');
        writeFile(later, 1000, 'l');
        for (const fs::path& file : {film, album / "song.flac", album / ".hidden" / "cover.jpg", odd, later})
            setModified(file);
    }
};

// Each file as it was made, its time to within `toleranceNs` (exfat-fuse keeps whole seconds).
void expectBack(const Items& at, std::int64_t toleranceNs)
{
    EXPECT_EQ(readAll(at.film), std::string(4 << 20, 'f'));
    EXPECT_EQ(readAll(at.album / "song.flac"), std::string(300 * 1024, 's'));
    EXPECT_EQ(readAll(at.album / ".hidden" / "cover.jpg"), std::string(2000, 'c'));
    EXPECT_EQ(readAll(at.odd), std::string(5000, 'n'));
    for (const fs::path& file : {at.film, at.album / "song.flac", at.album / ".hidden" / "cover.jpg", at.odd})
        EXPECT_NEAR(double(modifiedNs(file)), 1'741'064'767.5e9, double(toleranceNs)) << file;
}

QJsonObject lastRun(const fs::path& home)
{
    const Outcome history = cli({"history", "--json"}, home);
    EXPECT_EQ(history.status, 0) << history.err.toStdString();
    return QJsonDocument::fromJson(history.out.toUtf8())
        .object()
        .value(QStringLiteral("runs"))
        .toArray()
        .at(0)
        .toObject();
}

// The whole way there and back on the drive mounted at `mount`.
void moveAndBringBack(const Home& at, const fs::path& mount, const QString& label, std::int64_t toleranceNs,
                      const std::function<long long()>& bytesRead)
{
    const Outcome moved = cli(
        {"transfer", "--to", arg(mount), "--trash", "--items", arg(at.film), arg(at.album), arg(at.odd), arg(at.later)},
        at.home);
    ASSERT_EQ(moved.status, 0) << moved.out.toStdString() << moved.err.toStdString();
    ASSERT_FALSE(fs::exists(at.film));

    QJsonObject run = lastRun(at.home);
    EXPECT_EQ(run.value(QStringLiteral("drive")).toObject().value(QStringLiteral("label")).toString(), label);
    EXPECT_FALSE(run.value(QStringLiteral("drive")).toObject().value(QStringLiteral("uuid")).toString().isEmpty());
    const QJsonArray items = run.value(QStringLiteral("items")).toArray();
    ASSERT_EQ(items.size(), 4);
    const QJsonObject odd = items[2].toObject();
    const QByteArray oddBytes =
        odd.contains(QStringLiteral("originalBytes"))
            ? QByteArray::fromPercentEncoding(odd.value(QStringLiteral("originalBytes")).toString().toLatin1())
            : odd.value(QStringLiteral("original")).toString().toUtf8();
    EXPECT_EQ(oddBytes.toStdString(), at.odd.native());
    for (const QJsonValue& item : items)
        EXPECT_EQ(item.toObject().value(QStringLiteral("way")).toString(), QStringLiteral("trash"));

    // From the Trash: a rename, nothing of the film read from the drive.
    const long long before = bytesRead();
    Outcome back = cli({"restore", arg(at.film)}, at.home);
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    if (before >= 0) {
        EXPECT_LT(bytesRead() - before, 1 << 20);
    }
    EXPECT_TRUE(back.out.contains(QStringLiteral("put back from the Trash"))) << back.out.toStdString();

    // The Trash emptied: from the drive, read back and checked.
    fs::remove_all(at.home / ".local" / "share" / "Trash");
    back = cli({"restore", arg(at.album), arg(at.odd)}, at.home);
    EXPECT_EQ(back.status, 0) << back.out.toStdString() << back.err.toStdString();
    EXPECT_TRUE(back.out.contains(QStringLiteral("copied back from"))) << back.out.toStdString();
    expectBack(at, toleranceNs);
    run = lastRun(at.home);
    EXPECT_EQ(run.value(QStringLiteral("items")).toArray()[1].toObject().value(QStringLiteral("way")).toString(),
              QStringLiteral("broughtBack"));
}

} // namespace

TEST(CliRestore, ExfatStickThereAndBackAndAnUnpluggedStickIsNamed)
{
    TempDir dir;
    DriveImage drive(DriveKind::exfat, dir.path(), 64, "STICK");
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    // exFAT holds only UTF-8 names: an odd one it can hold.
    const Home at(dir.path(), "笔记 notes");
    moveAndBringBack(at, drive.mountPoint(), "STICK", 1'000'000'000, [&] { return drive.bytesRead(); });

    // Unplugged: the run's remount gave the drive a driver of its own, so it is unmounted.
    ASSERT_TRUE(runTool(QStringLiteral("umount"), {QString::fromStdString(drive.mountPoint().native())}));
    const Outcome unplugged = cli({"restore", arg(at.later)}, at.home);
    EXPECT_EQ(unplugged.status, 1) << unplugged.out.toStdString() << unplugged.err.toStdString();
    EXPECT_TRUE(unplugged.err.contains(QStringLiteral("Plug in STICK to bring these back")))
        << unplugged.err.toStdString();
    EXPECT_FALSE(fs::exists(at.later));
    EXPECT_EQ(std::distance(fs::directory_iterator(at.downloads), fs::directory_iterator()), 3);
}

TEST(CliRestore, Ext4DriveThereAndBackThenFromItsRecordAlone)
{
    TempDir dir;
    LoopMount drive(dir.path(), "ext4", 64);
    if (!drive.mounted())
        GTEST_SKIP() << drive.why();
    ASSERT_TRUE(runTool("e2label", {QString::fromStdString(drive.device()), "BACKUP"}));
    const Home at(dir.path(), nonUtf8Name(" notes"));
    moveAndBringBack(at, drive.mountPoint(), "BACKUP", 0, [] { return -1LL; });

    // No history on this computer: the drive's record alone, into a folder named.
    fs::remove_all(at.home / ".local" / "share" / "loftwell");
    const fs::path into = dir / "restored";
    fs::create_directory(into);
    const Outcome alone =
        cli({"restore", "--from", arg(drive.mountPoint()), "--to", arg(into), arg(at.downloads)}, at.home);
    EXPECT_EQ(alone.status, 0) << alone.out.toStdString() << alone.err.toStdString();
    expectBack(Items(into, nonUtf8Name(" notes")), 0);
}
