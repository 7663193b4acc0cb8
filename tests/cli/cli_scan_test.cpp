// `loftwell-cli scan` run as a process: its usage errors, its tab-separated and JSON lines, path bytes and language.

#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int status;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList& arguments, const QString& lang = QStringLiteral("C"))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), lang);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LOFTWELL_CLI_PATH), arguments);
    process.waitForFinished(60'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString argument(const std::filesystem::path& path)
{
    return QString::fromStdString(path.native());
}

} // namespace

TEST(CliScan, UsageErrorsExitWithStatus2AndAMessage)
{
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("scna")}, QStringList{QStringLiteral("scan")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--jsn"), QStringLiteral("/tmp")}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: loftwell-cli scan")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(CliScan, PrintsTheWindowsOrderOneTabSeparatedLinePerCandidate)
{
    TempDir dir;
    writeFile(dir / "root" / "Clip 10.mov", 21 * MiB);
    writeFile(dir / "root" / "Clip 2.mov", 21 * MiB);
    writeFile(dir / "root" / "VM.utm", 40 * MiB);
    writeFile(dir / "root" / "note.txt", 1 * MiB);

    const CliRun run = runCli({QStringLiteral("scan"), argument(dir / "root"), argument(dir / "missing")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QByteArray::fromStdString((dir / "root" / "Clip 2.mov").native()) +
                            "\troot\tVideo\tRecommended\t22020096\t22 MB");
    EXPECT_TRUE(lines[1].startsWith(QByteArray::fromStdString((dir / "root" / "Clip 10.mov").native())));
    EXPECT_TRUE(lines[2].endsWith("\tVirtual Machine\tCaution\t41943040\t41.9 MB"));
}

TEST(CliScan, KeepsPathBytesAndSpeaksTheUsersLanguage)
{
    TempDir dir;
    writeFile(dir / "root" / nonUtf8Name(".bin"), 21 * MiB);
    const CliRun chinese = runCli({QStringLiteral("scan"), argument(dir / "root")}, QStringLiteral("zh_CN.UTF-8"));
    ASSERT_EQ(chinese.status, 0);
    EXPECT_EQ(chinese.out, QByteArray::fromStdString((dir / "root" / nonUtf8Name(".bin")).native()) +
                               QByteArray("\troot\t文件\t推荐\t22020096\t22 MB\n"));
}

TEST(CliScan, JsonHoldsTheSameFields)
{
    TempDir dir;
    writeFile(dir / "Tool.app" / "bin", 1000);
    const CliRun run = runCli({QStringLiteral("scan"), QStringLiteral("--json"), argument(dir / "Tool.app")});
    ASSERT_EQ(run.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject item = array[0].toObject();
    EXPECT_EQ(item[QStringLiteral("path")].toString(), argument(dir / "Tool.app"));
    EXPECT_EQ(item[QStringLiteral("location")].toString(), QStringLiteral("Tool.app"));
    EXPECT_EQ(item[QStringLiteral("kind")].toString(), QStringLiteral("App"));
    EXPECT_EQ(item[QStringLiteral("advice")].toString(), QStringLiteral("App"));
    EXPECT_EQ(item[QStringLiteral("sizeBytes")].toInteger(), 4096);
    EXPECT_EQ(item[QStringLiteral("size")].toString(), QStringLiteral("4 KB"));

    const CliRun empty = runCli({QStringLiteral("scan"), QStringLiteral("--json"), argument(dir / "missing")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(QJsonDocument::fromJson(empty.out).isArray());
}
