// loftwell-cli on real exFAT, FAT32 and NTFS drives (FUSE-mounted images):
// the items a drive can hold are copied, verified and trashed; the others
// are refused before anything of them is written, each with one line that
// names the culprit, and keep their originals.

#include "fs/error_description.h"
#include "support/drive_image.h"
#include "support/drive_job.h"
#include "support/temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    QString out;
};

Outcome transferCli(const QStringList& arguments, const fs::path& home, const QString& language)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), language);
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), QStringList{QStringLiteral("transfer")} + arguments);
    process.waitForFinished(300'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput())};
}

QString arg(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

// The report's line for a refused item: "Downloads/Notes (...): a:b.txt: the destination ...".
bool reportsRefusal(const QString& out, const RefusedItem& refused, I18n::Language language)
{
    const QString root = language == I18n::Language::chinese ? QStringLiteral("下载") : QStringLiteral("Downloads");
    const QString opening = root + u'/' + QString::fromStdString(refused.item) +
                            (language == I18n::Language::chinese ? QStringLiteral("（") : QStringLiteral(" ("));
    for (const QString& line : out.split(u'\n')) {
        if (!line.startsWith(opening))
            continue;
        if (refused.reason == FsErrc::caseCollision) // either of the two names may come first
            return line.contains(QStringLiteral("otes.txt")) && line.contains(QStringLiteral("“"));
        return line.endsWith(describeError(FsError{refused.reason, {}, refused.culprit}, language));
    }
    return false;
}

class CliOnRealDrives : public ::testing::TestWithParam<DriveKind> {};

} // namespace

TEST_P(CliOnRealDrives, HoldableItemsMoveAndTheOthersStayWithTheirReason)
{
    TempDir dir;
    DriveImage drive(GetParam(), dir.path(), 192);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    const fs::path downloads = dir / "home" / "Downloads";
    const DriveJob job = makeDriveJob(GetParam(), downloads);

    const Outcome outcome = transferCli({QStringLiteral("--to"), arg(drive.mountPoint()), QStringLiteral("--trash"),
                                         QStringLiteral("--all"), arg(downloads)},
                                        dir / "home", QStringLiteral("C"));
    EXPECT_EQ(outcome.status, 1) << outcome.out.toStdString();
    const fs::path run = fs::directory_iterator(drive.mountPoint() / "Loftwell")->path() / "Downloads";
    const fs::path trash = dir / "home" / ".local" / "share" / "Trash" / "files";
    // fusefat names no device a read-back could reach past the kernel's
    // cache: its copies stay unchecked, and so do the originals.
    const bool checked = GetParam() != DriveKind::fat32;
    for (const std::string& name : job.good) {
        EXPECT_TRUE(fs::exists(run / name) || (!checked && fs::exists(run / ("." + name + ".loftwell-unchecked"))))
            << name;
        EXPECT_EQ(fs::exists(trash / name), checked) << name;
        EXPECT_NE(fs::exists(downloads / name), checked) << name;
        if (!checked) {
            EXPECT_TRUE(outcome.out.contains(QStringLiteral("Downloads/") + QString::fromStdString(name)) &&
                        outcome.out.contains(errorDescription(FsErrc::notCheckedOnDrive)))
                << outcome.out.toStdString();
        }
    }
    for (const RefusedItem& refused : job.refused) {
        EXPECT_TRUE(reportsRefusal(outcome.out, refused, I18n::Language::english)) << refused.item << "\n"
                                                                                   << outcome.out.toStdString();
        EXPECT_FALSE(fs::exists(run / refused.item)) << refused.item; // nothing of it on the drive
        EXPECT_TRUE(fs::exists(downloads / refused.item)) << refused.item;
    }
    EXPECT_EQ(outcome.out.count(QStringLiteral("\nDownloads/")),
              qsizetype(job.refused.size() + (checked ? 0 : job.good.size())))
        << outcome.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ExFatFat32Ntfs, CliOnRealDrives,
                         ::testing::Values(DriveKind::exfat, DriveKind::fat32, DriveKind::ntfs),
                         [](const ::testing::TestParamInfo<DriveKind>& info) {
                             return std::string(driveKindName(info.param));
                         });

TEST(CliOnRealDrives, ReasonsComeInChineseToo)
{
    TempDir dir;
    DriveImage drive(DriveKind::exfat, dir.path(), 192);
    if (!drive.mounted())
        GTEST_SKIP() << drive.skipReason();
    const fs::path downloads = dir / "home" / "Downloads";
    const DriveJob job = makeDriveJob(DriveKind::exfat, downloads);
    const Outcome outcome =
        transferCli({QStringLiteral("--to"), arg(drive.mountPoint()), QStringLiteral("--all"), arg(downloads)},
                    dir / "home", QStringLiteral("zh_CN.UTF-8"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.out.contains(QStringLiteral("a:b.txt：目标位置不允许使用这个名称")))
        << outcome.out.toStdString();
    for (const RefusedItem& refused : job.refused)
        EXPECT_TRUE(reportsRefusal(outcome.out, refused, I18n::Language::chinese)) << refused.item;
}
