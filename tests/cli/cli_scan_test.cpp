// `loftwell-cli scan` run as a process: its usage errors, its tab-separated and JSON lines, path bytes and language.

#include "support/temp_dir.h"
#include "support/test_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(CliScan, UsageErrorsExitWith2AndHelpAnswersEverywhereInTheSameWords)
{
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("scna")}, QStringList{QStringLiteral("scan")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--jsn"), QStringLiteral("/tmp")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("-0"),
                      QStringLiteral("/tmp")}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.startsWith("loftwell-cli: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("\nusage: loftwell-cli scan [--json | -0] FOLDER...\n")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    // In Chinese, the error and the help it points to are Chinese too, every exit status listed.
    const CliRun chinese = runCli({QStringLiteral("scan"), QStringLiteral("--bogus")}, QStringLiteral("zh_CN.UTF-8"));
    EXPECT_EQ(chinese.status, 2);
    EXPECT_EQ(chinese.err.left(chinese.err.indexOf('\n')), QByteArray("loftwell-cli: 未知选项 --bogus"));
    const CliRun chineseHelp = runCli({QStringLiteral("-h")}, QStringLiteral("zh_CN.UTF-8"));
    EXPECT_TRUE(chineseHelp.out.contains("退出状态：\n  0  全部完成\n  1  ")) << chineseHelp.out.toStdString();
    EXPECT_TRUE(chineseHelp.out.contains("驱动器无法弹出"));
    const CliRun transferError = runCli({QStringLiteral("transfer"), QStringLiteral("/tmp")});
    EXPECT_EQ(transferError.status, 2);
    EXPECT_TRUE(transferError.err.contains("transfer needs --to DEST\n")) << transferError.err.toStdString();

    // Each command's help, by -h or --help, on standard output; its first
    // line is the usage line its errors show.
    for (const QString& command : {QString(), QStringLiteral("scan"), QStringLiteral("transfer")}) {
        for (const QString& flag : {QStringLiteral("-h"), QStringLiteral("--help")}) {
            QStringList arguments{flag};
            if (!command.isEmpty())
                arguments = QStringList{command, QStringLiteral("/tmp"), flag};
            const CliRun help = runCli(arguments);
            EXPECT_EQ(help.status, 0) << arguments.join(u' ').toStdString();
            EXPECT_TRUE(help.err.isEmpty());
            const QByteArray usageLine = help.out.left(help.out.indexOf('\n') + 1);
            EXPECT_TRUE(usageLine.startsWith("usage: loftwell-cli " + command.toUtf8())) << help.out.toStdString();
            if (!command.isEmpty()) {
                const CliRun error = runCli({command, QStringLiteral("--bad")});
                EXPECT_TRUE(error.err.contains(usageLine)) << error.err.toStdString();
            }
            // Every exit status, a refused eject's and a bring-back's included.
            EXPECT_TRUE(help.out.contains("Exit status:\n  0  all done\n  1  some FOLDER")) << help.out.toStdString();
            EXPECT_TRUE(help.out.contains("drive could not be ejected"));
            EXPECT_TRUE(help.out.contains("nothing was brought back"));
            EXPECT_TRUE(help.out.contains("  2  usage error\n"));
            EXPECT_FALSE(help.out.contains("ROOT"));
        }
    }
}

TEST(CliScan, PrintsTheWindowsOrderOneTabSeparatedLinePerCandidate)
{
    TempDir dir;
    writeFile(dir / "root" / "Clip 10.mov", 21 * MiB);
    writeFile(dir / "root" / "Clip 2.mov", 21 * MiB);
    writeFile(dir / "root" / "VM.utm", 40 * MiB);
    writeFile(dir / "root" / "note.txt", 1 * MiB);
    // Written out, so the blocks the scan counts are the ones counted below:
    // before writeback a file may still gain an extent block.
    ::sync();

    // A folder that is not there is said on standard error, and the rest is done.
    const CliRun run = runCli({QStringLiteral("scan"), argument(dir / "root"), argument(dir / "missing")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "loftwell-cli: cannot read " + QByteArray::fromStdString((dir / "missing").native()) +
                           ": No such file or folder\n");
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    // Equal sizes keep the names' natural order. The space is the kernel's
    // word: on a busy disk a file may take one extent block more.
    const std::int64_t clip2 = allocatedBytes(dir / "root" / "Clip 2.mov");
    const QByteArray clip2Line = QByteArray::fromStdString((dir / "root" / "Clip 2.mov").native()) +
                                 "\troot\tVideo\tRecommended\t" + QByteArray::number(clip2) + "\t22 MB";
    if (clip2 == allocatedBytes(dir / "root" / "Clip 10.mov")) {
        EXPECT_EQ(lines[0], clip2Line);
        EXPECT_TRUE(lines[1].startsWith(QByteArray::fromStdString((dir / "root" / "Clip 10.mov").native())));
    } else {
        EXPECT_TRUE(lines.contains(clip2Line));
    }
    EXPECT_TRUE(lines[2].endsWith("\tVirtual Machine\tCaution\t" +
                                  QByteArray::number(allocatedBytes(dir / "root" / "VM.utm")) + "\t41.9 MB"));
}

TEST(CliScan, KeepsPathBytesAndSpeaksTheUsersLanguage)
{
    TempDir dir;
    writeFile(dir / "root" / nonUtf8Name(".bin"), 21 * MiB);
    const CliRun chinese = runCli({QStringLiteral("scan"), argument(dir / "root")}, QStringLiteral("zh_CN.UTF-8"));
    ASSERT_EQ(chinese.status, 0);
    EXPECT_EQ(chinese.out, QByteArray::fromStdString((dir / "root" / nonUtf8Name(".bin")).native()) +
                               "\troot\t文件\t推荐\t" +
                               QByteArray::number(allocatedBytes(dir / "root" / nonUtf8Name(".bin"))) + "\t22 MB\n");
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
    EXPECT_EQ(item[QStringLiteral("kind")].toString(), QStringLiteral("app"));
    EXPECT_EQ(item[QStringLiteral("kindText")].toString(), QStringLiteral("App"));
    EXPECT_EQ(item[QStringLiteral("risk")].toString(), QStringLiteral("application"));
    EXPECT_EQ(item[QStringLiteral("advice")].toString(), QStringLiteral("App"));
    EXPECT_EQ(item[QStringLiteral("reason")].toString(), QStringLiteral("app"));
    EXPECT_EQ(item[QStringLiteral("reasonText")].toString(),
              QStringLiteral("May affect updates, autostart entries, desktop menu entries, or licensing"));
    EXPECT_EQ(item[QStringLiteral("sizeBytes")].toInteger(), 4096);
    EXPECT_EQ(item[QStringLiteral("size")].toString(), QStringLiteral("4 KB"));

    const CliRun empty = runCli({QStringLiteral("scan"), QStringLiteral("--json"), argument(dir / "Tool.app" / "bin")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.err.endsWith(": Not a folder\n")) << empty.err.toStdString();
    EXPECT_TRUE(QJsonDocument::fromJson(empty.out).isArray());
}

TEST(CliScan, AFolderThatCannotBeReadIsSaidInTheUsersLanguage)
{
    TempDir dir;
    writeFile(dir / "closed" / "big.iso", 21 * MiB);
    ::chmod((dir / "closed").c_str(), 0);
    // Root reads anything: the command runs without the capabilities that allow it.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("zh_CN"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("setpriv"),
                  {QStringLiteral("--bounding-set=-dac_override,-dac_read_search"), QStringLiteral(LOFTWELL_CLI_PATH),
                   QStringLiteral("scan"), argument(dir / "closed")});
    ASSERT_TRUE(process.waitForFinished(60'000));
    ::chmod((dir / "closed").c_str(), 0700);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
              QStringLiteral("loftwell-cli: 无法读取 %1：没有访问权限\n").arg(argument(dir / "closed")));
}

TEST(CliScan, NamesCannotBreakLinesAndJsonKeepsEveryByte)
{
    TempDir dir;
    const std::vector<std::string> names{
        "two\nlines.iso",     "tab\there.iso", "back\\slash.iso", "bell\a.iso",      nonUtf8Name(".iso"),
        nonUtf8Name("2.iso"), "plain.iso",     "Caf\xc3\xa9.iso", "csi\xc2\x9b.iso", "space d.iso"};
    for (const std::string& name : names)
        writeFile(dir / "root" / name, 21 * MiB);

    // Plain: one line per item, control characters escaped as ls -b does.
    const CliRun plain = runCli({QStringLiteral("scan"), argument(dir / "root")});
    ASSERT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.count('\n'), qsizetype(names.size()));
    const QByteArray folder = QByteArray::fromStdString((dir / "root").native());
    for (const char* shown : {"/two\\nlines.iso\t", "/tab\\there.iso\t", "/back\\\\slash.iso\t", "/bell\\a.iso\t",
                              "/csi\\302\\233.iso\t", "/space d.iso\t"})
        EXPECT_TRUE(plain.out.contains(folder + shown)) << shown << "\n" << plain.out.toStdString();

    // -0: raw paths, each line ended by NUL; the path is all before the fifth tab from the end.
    const CliRun null = runCli({QStringLiteral("scan"), QStringLiteral("-0"), argument(dir / "root")});
    ASSERT_EQ(null.status, 0);
    QList<QByteArray> records = null.out.split('\0');
    ASSERT_EQ(records.takeLast(), QByteArray());
    ASSERT_EQ(records.size(), qsizetype(names.size()));
    for (const QByteArray& record : records) {
        qsizetype cut = record.size();
        for (int tab = 0; tab < 5; ++tab)
            cut = record.lastIndexOf('\t', cut - 1);
        EXPECT_TRUE(std::filesystem::exists(record.left(cut).toStdString())) << record.toStdString();
    }

    // JSON: every listed path exists, read from pathBytes where the path is not UTF-8.
    const CliRun json = runCli({QStringLiteral("scan"), QStringLiteral("--json"), argument(dir / "root")});
    ASSERT_EQ(json.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(array.size(), qsizetype(names.size()));
    int withBytes = 0;
    for (const QJsonValue& value : array) {
        const QJsonObject item = value.toObject();
        QByteArray path = item[QStringLiteral("path")].toString().toUtf8();
        if (item.contains(QStringLiteral("pathBytes"))) {
            ++withBytes;
            path = QByteArray::fromPercentEncoding(item[QStringLiteral("pathBytes")].toString().toLatin1());
        }
        EXPECT_TRUE(std::filesystem::exists(path.toStdString())) << path.toStdString();
    }
    EXPECT_EQ(withBytes, 2);
}
