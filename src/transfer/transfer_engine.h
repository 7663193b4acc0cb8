#pragma once
// Copies the selected candidates into a fresh dated folder under the
// destination, verifies each copy and, when asked, moves each verified
// original to the Trash:
//   destination/Loftwell/yyyy-MM-dd_HH-mm-ss/root name/item name
// Items are done one after the other; a failure of one becomes one line of
// the result and the next item goes on. Nothing written is ever removed and
// an original is only ever moved to the Trash, after its copy passed.
//
// Runs on the transfer worker; `progress` is called on that thread before
// each item and must not block.

#include "model/candidate.h"
#include "fs/file_system.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

struct TransferResult {
    std::filesystem::path destination; // the dated folder, also when it could not be made
    QStringList failures;              // one line per item that did not complete, in item order
};

using TransferProgress = std::function<void(std::int64_t index, std::int64_t total, const QString& name)>;

TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem);

// The same with an explicit start time, which names the dated folder, and a
// stop token: on a stop request the item being copied stops where it is (its
// original untouched, never trashed) and no further item is tried.
TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem, const QDateTime& startTime,
                        std::stop_token stop = {});

// A display text made safe as one folder name: no "/", not "." or "..", not empty.
std::string folderComponent(const QString& text);

// True when `destination` lies inside `item` (or is it), after resolving links.
bool isInside(const std::filesystem::path& destination, const std::filesystem::path& item, const FileSystem& fileSystem);
