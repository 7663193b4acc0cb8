#include "transfer/run_history.h"

#include "model/path_text.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <array>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr auto formatName = "loftwell-history";
constexpr int currentVersion = 1;

// States by the names the file keeps, the same in every language.
constexpr std::array<std::pair<ItemState, const char*>, 4> stateNames{{
    {ItemState::moved, "moved"},
    {ItemState::copied, "copied"},
    {ItemState::copiedNotChecked, "copiedNotChecked"},
    {ItemState::notCopied, "notCopied"},
}};

QString stateName(ItemState state)
{
    for (const auto& [known, name] : stateNames) {
        if (known == state)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("notCopied");
}

std::optional<ItemState> stateFrom(const QString& text)
{
    for (const auto& [state, name] : stateNames) {
        if (text == QLatin1String(name))
            return state;
    }
    return std::nullopt;
}

QString runsFolder(const fs::path& folder)
{
    return displayText(folder / "runs");
}

void writeEntry(JsonWriter& json, const HistoryEntry& entry)
{
    json.beginObject();
    json.key("format");
    json.value(QLatin1StringView(formatName));
    json.key("version");
    json.value(std::int64_t(currentVersion));
    json.key("run");
    if (entry.recordJson)
        json.copyValue(*entry.recordJson);
    else
        writeRunRecord(json, entry.record);
    json.key("drive");
    json.beginObject();
    json.key("uuid");
    json.value(entry.drive.uuid);
    json.key("label");
    json.value(entry.drive.label);
    putBytesName(json, "mountPoint", entry.drive.mountPoint.native());
    putBytesName(json, "runsFolder", entry.drive.runsFolder.native());
    json.endObject();
    json.key("items");
    json.beginArray();
    for (const HistoryItem& item : entry.items) {
        json.beginObject();
        putBytesName(json, "original", item.original);
        json.key("state");
        json.value(stateName(item.state));
        if (!item.trashedAs.empty())
            putBytesName(json, "trashedAs", item.trashedAs);
        if (!item.broughtBackTo.empty())
            putBytesName(json, "broughtBackTo", item.broughtBackTo);
        json.endObject();
    }
    json.endArray();
    json.endObject();
}

std::optional<HistoryEntry> entryFrom(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json, &error).object();
    if (error.error != QJsonParseError::NoError || root.value(QStringLiteral("format")) != QLatin1String(formatName) ||
        root.value(QStringLiteral("version")).toInt() != currentVersion)
        return std::nullopt;
    auto record = runRecordFrom(root.value(QStringLiteral("run")).toObject());
    if (!record)
        return std::nullopt;
    HistoryEntry entry{std::move(*record), {}, {}, {}, {}};
    const QJsonObject drive = root.value(QStringLiteral("drive")).toObject();
    entry.drive.uuid = drive.value(QStringLiteral("uuid")).toString();
    entry.drive.label = drive.value(QStringLiteral("label")).toString();
    entry.drive.mountPoint = bytesNameFrom(drive, QStringLiteral("mountPoint"));
    entry.drive.runsFolder = bytesNameFrom(drive, QStringLiteral("runsFolder"));
    for (const QJsonValue& value : root.value(QStringLiteral("items")).toArray()) {
        const QJsonObject object = value.toObject();
        const auto state = stateFrom(object.value(QStringLiteral("state")).toString());
        if (!state)
            return std::nullopt;
        entry.items.push_back({bytesNameFrom(object, QStringLiteral("original")), *state,
                               bytesNameFrom(object, QStringLiteral("trashedAs")),
                               bytesNameFrom(object, QStringLiteral("broughtBackTo"))});
    }
    return entry;
}

} // namespace

fs::path defaultHistoryFolder(const fs::path& home)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/'))
        return fs::path(dataHome.toStdString()) / "loftwell";
    return home / ".local" / "share" / "loftwell";
}

HistoryEntry historyEntry(const std::vector<Candidate>& items, const TransferResult& result, const DriveIdentity& drive,
                          const QDateTime& started)
{
    HistoryEntry entry;
    if (result.record) {
        entry.record = *result.record;
        entry.recordJson = result.recordFile;
    } else {
        entry.record.started = started;
        entry.record.computer = QSysInfo::machineHostName();
        entry.record.user = qEnvironmentVariable("USER");
    }
    entry.drive = drive;
    for (std::size_t i = 0; i < items.size(); ++i) {
        entry.items.push_back({items[i].sourceURL().native(),
                               i < result.states.size() ? result.states[i] : ItemState::notCopied,
                               i < result.trashedAs.size() ? result.trashedAs[i].native() : std::string(),
                               {}});
    }
    return entry;
}

namespace {

bool writeEntry(const QString& path, const HistoryEntry& entry)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    JsonWriter json(file);
    writeEntry(json, entry);
    return json.finish() && file.commit();
}

} // namespace

bool addToHistory(const fs::path& folder, const HistoryEntry& entry)
{
    // It lists the user's paths: for the user's eyes alone.
    const auto privateFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (!QDir().mkpath(runsFolder(folder)) || !QFile::setPermissions(displayText(folder), privateFolder) ||
        !QFile::setPermissions(runsFolder(folder), privateFolder))
        return false;
    // Named by when the run started, and unique: two runs may start in the same second.
    const QString name = entry.record.started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + u'_' +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).left(8) + QStringLiteral(".json");
    return writeEntry(runsFolder(folder) + u'/' + name, entry);
}

bool saveHistoryEntry(const HistoryEntry& entry)
{
    return !entry.file.empty() && writeEntry(displayText(entry.file), entry);
}

HistoryRead readHistory(const fs::path& folder)
{
    HistoryRead read;
    const QDir runs(runsFolder(folder));
    QStringList names = runs.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        QFile file(runs.filePath(name));
        std::optional<HistoryEntry> entry;
        if (file.open(QIODevice::ReadOnly))
            entry = entryFrom(file.readAll());
        file.close();
        if (entry) {
            entry->file = pathFromText(runs.filePath(name));
            read.runs.push_back(std::move(*entry));
            continue;
        }
        // Set aside once, out of the way of every later look.
        const QString aside = runs.filePath(name + QStringLiteral(".damaged"));
        if (QFile::rename(runs.filePath(name), aside))
            read.setAside.push_back(pathFromText(aside));
    }
    return read;
}
