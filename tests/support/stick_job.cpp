#include "support/stick_job.h"

#include "model/path_ops.h"
#include "scan/candidate_scanner.h"
#include "support/test_values.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

QString text(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

} // namespace

bool StickJob::makeStick(int stored, int claimed, const QJsonObject& udisks, const std::string& diskMode,
                         const std::vector<std::string>& formatOptions)
{
    fileSystem.setHome(dir / "home");
    stick = std::make_unique<FuseStick>(kind(), dir.path(), stored, claimed, diskMode, formatOptions);
    if (!stick->mounted()) {
        why = stick->why();
        return false;
    }
    if (!viaUdisks())
        return true;
    QJsonArray driver;
    for (const std::string& part : stick->mountCommand("{point}"))
        driver.append(QString::fromStdString(part));
    QJsonObject parameters{{QStringLiteral("device"), QString::fromStdString(stick->disk().device())},
                           {QStringLiteral("driver"), driver},
                           {QStringLiteral("uuid"), QStringLiteral("4A1C-0F2E")},
                           {QStringLiteral("mounted_at"), text(stick->mountPoint())},
                           {QStringLiteral("mount_again_at"), text(dir / "media" / "STICK1")}};
    for (auto it = udisks.begin(); it != udisks.end(); ++it)
        parameters.insert(it.key(), it.value());
    if (!bus.running() || !bus.startUdisks(QString::fromUtf8(QJsonDocument(parameters).toJson()))) {
        why = "needs dbus-daemon and python3-dbusmock";
        return false;
    }
    remount.emplace(bus.connection());
    return true;
}

Candidate StickJob::makeItem(const std::string& name, std::int64_t bytes)
{
    fs::create_directories(dir / "src");
    const fs::path item = dir / "src" / name;
    contents[name] = patternedBytes(std::size_t(bytes), unsigned(contents.size() + 1));
    std::ofstream(item, std::ios::binary) << contents[name];
    const ItemMeasure measure = measureItem(item, fileSystem);
    return Candidate(item, QStringLiteral("Downloads"), QStringLiteral("Video"), RiskLevel::safe,
                     QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
}

std::vector<Candidate> StickJob::makeItems(int count, std::int64_t bytes)
{
    std::vector<Candidate> items;
    for (int i = 1; i <= count; ++i)
        items.push_back(makeItem("item" + std::to_string(i) + ".mkv", bytes));
    return items;
}

TransferResult StickJob::run(const std::vector<Candidate>& items, const std::function<void()>& checking,
                             const std::function<void()>& lastCopy)
{
    const ItemProgressCallback progress = [&](const ItemProgress& item) {
        if (item.checkingDrive && checking)
            checking();
    };
    const TransferProgress starting = [&](std::int64_t index, std::int64_t total, const QString&) {
        if (index == total && lastCopy)
            lastCopy();
    };
    return transfer(items, stick->mountPoint(), true, starting, fileSystem, fixedStart, {}, progress, nullptr,
                    remount ? &*remount : nullptr);
}

int StickJob::expectNoOriginalLost(const TransferResult& result)
{
    stick->disk().setMode("normal");
    const bool mounts = stick->mountAgain(dir / "looked-at");
    const fs::path copies = dir / "looked-at" / "Loftwell" / "2026-12-07_09-05-03" / "Downloads";
    int trashed = 0;
    for (const auto& [name, bytes] : contents) {
        if (fs::exists(dir / "src" / name)) {
            EXPECT_TRUE(readAll(dir / "src" / name) == bytes) << name;
            continue;
        }
        ++trashed;
        EXPECT_TRUE(mounts && readAll(copies / name) == bytes) << name << ": trashed, and its copy is spoilt";
    }
    EXPECT_EQ(trashed, result.trashed);
    return trashed;
}
