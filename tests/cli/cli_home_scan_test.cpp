// `loftwell-cli scan ~` of a whole home, as a process with its own HOME: the
// desktop's folders are looked into, never moved whole, under the names
// user-dirs.dirs gives them in English and in Chinese; snap's data is left
// alone; a virtual machine's folder is one, with caution.

#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <array>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// path below the home -> (location, kind, risk) as the JSON gives them
using Found = std::map<std::string, std::vector<QString>>;

Found scanHome(const fs::path& home, const QString& language, QByteArray* help = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_CONFIG_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), language);
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH),
                  {QStringLiteral("scan"), QStringLiteral("--json"), QString::fromStdString(home.native())});
    process.waitForFinished(60'000);
    Found found;
    for (const QJsonValue value : QJsonDocument::fromJson(process.readAllStandardOutput()).array()) {
        const QJsonObject item = value.toObject();
        const fs::path path(item[QStringLiteral("path")].toString().toStdString());
        found[path.lexically_relative(home).native()] = {item[QStringLiteral("location")].toString(),
                                                         item[QStringLiteral("kind")].toString(),
                                                         item[QStringLiteral("risk")].toString()};
    }
    if (help) {
        process.start(QStringLiteral(LOFTWELL_CLI_PATH), {QStringLiteral("scan"), QStringLiteral("--help")});
        process.waitForFinished(60'000);
        *help = process.readAllStandardOutput();
    }
    return found;
}

// A home whose desktop folders have the names `names` gives them (Documents, Downloads, Desktop, Videos).
fs::path makeHome(const fs::path& home, const std::array<std::string, 4>& names)
{
    makeFolder(home / ".config");
    std::ofstream(home / ".config" / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"$HOME/" << names[0] << "\"\nXDG_DOWNLOAD_DIR=\"$HOME/" << names[1]
        << "\"\nXDG_DESKTOP_DIR=\"$HOME/" << names[2] << "\"\nXDG_VIDEOS_DIR=\"$HOME/" << names[3] << "\"\n";
    writeFile(home / names[0] / "Thesis drafts" / "scan.pdf", 22 * MiB);
    writeFile(home / names[1] / "ubuntu.iso", 21 * MiB);
    writeFile(home / names[2] / "notes.txt", 1000);
    writeFile(home / names[2] / "clip.mkv", 25 * MiB);
    writeFile(home / names[3] / "holiday.mp4", 30 * MiB);
    writeFile(home / "snap" / "firefox" / "common" / "cache.bin", 40 * MiB);
    writeFile(home / "VirtualBox VMs" / "Ubuntu 22.04" / "Ubuntu 22.04.vbox", 4000);
    writeFile(home / "VirtualBox VMs" / "Ubuntu 22.04" / "Ubuntu 22.04.vdi", 24 * MiB);
    writeFile(home / "Machines" / "Fedora" / "disk.qcow2", 23 * MiB);
    writeFile(home / "backup.tar", 26 * MiB);
    return home;
}

} // namespace

TEST(CliHomeScan, TheDesktopsFoldersAreLookedIntoAndSnapLeftAloneInBothLanguages)
{
    TempDir dir;
    const fs::path english = makeHome(dir / "en", {"Documents", "Downloads", "Desktop", "Videos"});
    const Found found = scanHome(english, QStringLiteral("C"));
    const Found expected{
        {"Documents/Thesis drafts", {"Documents", "folder", "safe"}},
        {"Downloads/ubuntu.iso", {"Downloads", "installer", "safe"}},
        {"Desktop/clip.mkv", {"Desktop", "video", "safe"}},
        {"Videos/holiday.mp4", {"Videos", "video", "safe"}},
        {"VirtualBox VMs", {"Home", "virtualMachine", "caution"}},
        {"Machines", {"Home", "folder", "safe"}},
        {"backup.tar", {"Home", "archive", "safe"}},
    };
    EXPECT_EQ(found, expected);

    // The same folders as a Chinese desktop names them, and the shown
    // location in Chinese; the names for scripts do not change.
    const fs::path chinese = makeHome(dir / "zh", {"文档", "下载", "桌面", "视频"});
    QByteArray help;
    const Found zh = scanHome(chinese, QStringLiteral("zh_CN.UTF-8"), &help);
    const Found expectedZh{
        {"文档/Thesis drafts", {"文档", "folder", "safe"}},
        {"下载/ubuntu.iso", {"下载", "installer", "safe"}},
        {"桌面/clip.mkv", {"桌面", "video", "safe"}},
        {"视频/holiday.mp4", {"视频", "video", "safe"}},
        {"VirtualBox VMs", {"主文件夹", "virtualMachine", "caution"}},
        {"Machines", {"主文件夹", "folder", "safe"}},
        {"backup.tar", {"主文件夹", "archive", "safe"}},
    };
    EXPECT_EQ(zh, expectedZh);
    EXPECT_TRUE(help.startsWith("用法：loftwell-cli scan")) << help.toStdString();
}

// Chosen itself, a machine's folder is the machine: not a folder to tick.
TEST(CliHomeScan, AVirtualMachinesFolderChosenAsARootIsAMachine)
{
    TempDir dir;
    const fs::path home = makeHome(dir / "home", {"Documents", "Downloads", "Desktop", "Videos"});
    writeFile(home / "VirtualBox VMs" / "Debian" / "Debian.vbox", 4000);
    writeFile(home / "VirtualBox VMs" / "Debian" / "Snapshots" / "s.vdi", 22 * MiB);
    QProcess process;
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), {QStringLiteral("scan"), QStringLiteral("--json"),
                                                      QString::fromStdString((home / "VirtualBox VMs").native())});
    process.waitForFinished(60'000);
    const QJsonArray items = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    ASSERT_EQ(items.size(), 2);
    for (const QJsonValue item : items) {
        EXPECT_EQ(item[QStringLiteral("kind")].toString(), QStringLiteral("virtualMachine"));
        EXPECT_EQ(item[QStringLiteral("risk")].toString(), QStringLiteral("caution"));
    }
}
