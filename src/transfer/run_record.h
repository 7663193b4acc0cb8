#pragma once
// The record of one run, kept on the drive in its dated folder and read by
// everything that later finds or brings back what was moved: who moved what
// from where, and what each copy held. Names are kept as bytes: a path that
// is not UTF-8 is written as text and, beside it, percent-encoded bytes, as
// the scan's JSON does. The one place the format is written and read.

#include "fs/file_system.h"
#include "transfer/json_writer.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RecordedFile {
    std::string path; // below the item, "a/b"; "" for the item itself
    std::int64_t length = 0;
    ContentHash hash;
};

struct RecordedItem {
    std::string original; // the item's own path on the computer
    QString location;     // the folder of its location, as the list named it
    std::string copy;     // its copy, relative to the drive's Loftwell folder
    bool folder = false;
    std::int64_t sizeBytes = 0;
    std::int64_t modifiedNs = 0;
    std::vector<RecordedFile> files; // every regular file whose contents were hashed
};

struct RunRecord {
    static constexpr int currentVersion = 1;
    int version = currentVersion;
    QDateTime started;
    QString computer;
    QString user;
    std::vector<RecordedItem> items;
};

QByteArray runRecordJson(const RunRecord& record);

// None where `json` is not a record of a version this program reads.
std::optional<RunRecord> parseRunRecord(const QByteArray& json);

// The same, written as it is made, as a file's whole JSON or as a value in
// one that holds more (the history). With `manifests` (one per item), each
// item's files are written from its manifest, never all held twice.
void writeRunRecord(JsonWriter& json, const RunRecord& record, const std::vector<const CopyManifest*>& manifests = {});
std::optional<RunRecord> runRecordFrom(const QJsonObject& root);

// A name kept as bytes: as text under `key`, and percent-encoded under
// `keyBytes` where it is not UTF-8.
void putBytesName(QJsonObject& object, const QString& key, const std::string& bytes);
void putBytesName(JsonWriter& json, const char* key, const std::string& bytes);
std::string bytesNameFrom(const QJsonObject& object, const QString& key);

// The item as its manifest recorded it, its copy at `copy`; its files are
// left to the manifest (writeRunRecord).
RecordedItem recordedItem(const std::filesystem::path& original, const QString& location, const std::string& copy,
                          std::int64_t sizeBytes, const CopyManifest& manifest);
