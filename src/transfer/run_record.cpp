#include "transfer/run_record.h"

#include "fs/copied_entry_kind.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr auto formatName = "loftwell-run";

bool isUtf8(const std::string& bytes)
{
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    return QString::fromUtf8(raw).toUtf8() == raw;
}

QString hashText(const ContentHash& hash)
{
    return QStringLiteral("%1%2").arg(hash.high, 16, 16, QLatin1Char('0')).arg(hash.low, 16, 16, QLatin1Char('0'));
}

std::optional<ContentHash> hashFrom(const QString& text)
{
    bool highOk = false;
    bool lowOk = false;
    if (text.size() != 32)
        return std::nullopt;
    const ContentHash hash{text.mid(16).toULongLong(&lowOk, 16), text.left(16).toULongLong(&highOk, 16)};
    if (!highOk || !lowOk)
        return std::nullopt;
    return hash;
}

} // namespace

void putBytesName(QJsonObject& object, const QString& key, const std::string& bytes)
{
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    object.insert(key, QString::fromUtf8(raw));
    if (!isUtf8(bytes))
        object.insert(key + QStringLiteral("Bytes"), QString::fromLatin1(raw.toPercentEncoding("/")));
}

void putBytesName(JsonWriter& json, const char* key, const std::string& bytes)
{
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    json.key(key);
    json.value(QString::fromUtf8(raw));
    if (!isUtf8(bytes)) {
        json.key((std::string(key) + "Bytes").c_str());
        json.value(QString::fromLatin1(raw.toPercentEncoding("/")));
    }
}

std::string bytesNameFrom(const QJsonObject& object, const QString& key)
{
    const QJsonValue bytes = object.value(key + QStringLiteral("Bytes"));
    if (bytes.isString())
        return QByteArray::fromPercentEncoding(bytes.toString().toLatin1()).toStdString();
    return object.value(key).toString().toUtf8().toStdString();
}

QByteArray runRecordJson(const RunRecord& record)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    JsonWriter json(buffer);
    writeRunRecord(json, record);
    json.finish();
    return buffer.data();
}

std::optional<RunRecord> parseRunRecord(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return runRecordFrom(document.object());
}

namespace {

void writeRecordedFile(JsonWriter& json, const std::string& path, std::int64_t length, const ContentHash& hash)
{
    json.beginObject();
    putBytesName(json, "path", path);
    json.key("length");
    json.value(length);
    json.key("hash");
    json.value(hashText(hash));
    json.endObject();
}

} // namespace

void writeRunRecord(JsonWriter& json, const RunRecord& record, const std::vector<const CopyManifest*>& manifests)
{
    json.beginObject();
    json.key("format");
    json.value(QLatin1StringView(formatName));
    json.key("version");
    json.value(std::int64_t(record.version));
    json.key("started");
    json.value(record.started.toString(Qt::ISODateWithMs));
    json.key("computer");
    json.value(record.computer);
    json.key("user");
    json.value(record.user);
    json.key("items");
    json.beginArray();
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        const RecordedItem& item = record.items[i];
        json.beginObject();
        putBytesName(json, "original", item.original);
        json.key("location");
        json.value(item.location);
        putBytesName(json, "copy", item.copy);
        json.key("type");
        json.value(item.folder ? QLatin1StringView("folder") : QLatin1StringView("file"));
        json.key("sizeBytes");
        json.value(item.sizeBytes);
        json.key("modifiedNs");
        json.value(item.modifiedNs);
        json.key("files");
        json.beginArray();
        for (const RecordedFile& file : item.files)
            writeRecordedFile(json, file.path, file.length, file.hash);
        if (i < manifests.size() && manifests[i]) {
            for (const CopiedEntry& entry : manifests[i]->entries) {
                if (isFileEntry(entry) && entry.hash)
                    writeRecordedFile(json, entry.relativePath, entry.length, *entry.hash);
            }
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
}

std::optional<RunRecord> runRecordFrom(const QJsonObject& root)
{
    if (root.value(QStringLiteral("format")) != QLatin1String(formatName) ||
        root.value(QStringLiteral("version")).toInt() != RunRecord::currentVersion)
        return std::nullopt;
    RunRecord record;
    record.started = QDateTime::fromString(root.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
    record.computer = root.value(QStringLiteral("computer")).toString();
    record.user = root.value(QStringLiteral("user")).toString();
    for (const QJsonValue& value : root.value(QStringLiteral("items")).toArray()) {
        const QJsonObject object = value.toObject();
        RecordedItem item;
        item.original = bytesNameFrom(object, QStringLiteral("original"));
        item.location = object.value(QStringLiteral("location")).toString();
        item.copy = bytesNameFrom(object, QStringLiteral("copy"));
        item.folder = object.value(QStringLiteral("type")) == QLatin1String("folder");
        item.sizeBytes = object.value(QStringLiteral("sizeBytes")).toInteger();
        item.modifiedNs = object.value(QStringLiteral("modifiedNs")).toInteger();
        for (const QJsonValue& fileValue : object.value(QStringLiteral("files")).toArray()) {
            const QJsonObject entry = fileValue.toObject();
            const auto hash = hashFrom(entry.value(QStringLiteral("hash")).toString());
            if (!hash)
                return std::nullopt;
            item.files.push_back({bytesNameFrom(entry, QStringLiteral("path")),
                                  entry.value(QStringLiteral("length")).toInteger(), *hash});
        }
        if (item.original.empty() || item.copy.empty())
            return std::nullopt;
        record.items.push_back(std::move(item));
    }
    return record;
}

RecordedItem recordedItem(const std::filesystem::path& original, const QString& location, const std::string& copy,
                          std::int64_t sizeBytes, const CopyManifest& manifest)
{
    RecordedItem item{original.native(), location, copy, false, sizeBytes, 0, {}};
    if (!manifest.entries.empty()) { // the item itself first
        item.folder = isFolderEntry(manifest.entries.front());
        item.modifiedNs = manifest.entries.front().modifiedNs;
    }
    return item;
}
