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

#include "fs/file_system.h"
#include "model/candidate.h"

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

// Where the transfer stands within the current item: bytes copied, then
// (when originals go to the Trash) bytes read back, against its length.
struct ItemProgress {
    std::int64_t index = 0; // 1-based, as TransferProgress counts
    std::int64_t total = 0;
    QString name;
    bool verifying = false;        // reading the copy back, else copying
    bool verifiesContents = false; // the item has a read-back phase
    std::int64_t bytesDone = 0;    // within the current phase
    std::int64_t bytesTotal = 0;   // the item's length

    // How much of the item is done, 0 to 1; copying and reading back each
    // count half when both happen.
    double fraction() const;
};

// Called on the worker at most about 20 times a second, and once as each
// phase starts; must not block.
using ItemProgressCallback = std::function<void(const ItemProgress&)>;

TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem);

// The same with an explicit start time, which names the dated folder, a
// stop token and progress within items. On a stop request the item being
// copied stops where it is (its original untouched, never trashed), fails
// as stopped, and every item not yet started is reported as stopped too.
TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem, const QDateTime& startTime,
                        std::stop_token stop = {}, const ItemProgressCallback& itemProgress = {});

// A display text made safe as one folder name: no "/", not "." or "..", not empty.
std::string folderComponent(const QString& text);

// True when `destination` lies inside `item` (or is it), after resolving links.
bool isInside(const std::filesystem::path& destination, const std::filesystem::path& item,
              const FileSystem& fileSystem);
