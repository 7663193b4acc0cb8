#pragma once
// Copies the selected candidates into a fresh dated folder under the
// destination, checks each copy on the drive and, when asked, moves each
// checked original to the Trash:
//   destination/Loftwell/yyyy-MM-dd_HH-mm-ss/root name/item name
// Every item is copied first, under a hidden name (copy_names.h: one while
// it is written, another once complete; a folder on a drive where renaming
// one empties it is written under its own name). Then, every copy written
// and on the drive, the copies are checked together (run_check.h): named,
// read back from the drive itself and compared, one verdict for the drive,
// and only then, with a good one, the originals go to the Trash; a copy not
// found identical takes back its hidden name. So a copy under its own name
// was found identical, but for a folder written under it and a drive that
// did not come back writable to take the name back. Nothing is written
// between the read-back and the Trash, where a drive that stores less
// than it claims would wrap it onto a copy whose original then goes; and a
// stop before the Trash trashes nothing. A run holds its drive for its
// whole length: a second run on it is refused.
// Each item keeps its own record (run_item.h), which only goes forward
// through its steps; the result is read from the records at the end, in
// item order, and an item is moved only where its original reached the
// Trash. Nothing written is ever removed, but for an unfinished copy: this
// run's, that a stop interrupted, or a dead run's (earlier_copies.h).
//
// Runs on the transfer worker; `progress` is called on that thread before
// each item is copied and must not block.

#include "fs/file_system.h"
#include "model/candidate.h"
#include "transfer/run_paths.h"
#include "transfer/run_record.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class DriveRemount;
class PauseGate;
struct EarlierCopies;

// How an item of a run ended; each ends in exactly one of these.
enum class ItemState {
    moved,            // its copy read back and identical, its original in the Trash
    copied,           // its copy read back and identical, its original kept
    copiedNotChecked, // its copy whole on the drive under the name that says so, not read back; original in place
    notCopied,        // no whole copy of it on the drive; original in place
};

// An item that did not complete: what went wrong, and where inside it.
struct ItemFailure {
    std::size_t item = 0; // its place among the items transferred
    FsError error;
    bool trashStep = false; // copied and verified; only the move of its original to the Trash failed
    ItemState state = ItemState::notCopied;
};

struct TransferResult {
    std::filesystem::path
        destination; // the dated folder (on the drive's mount at the end), also when it could not be made
    std::optional<FsError> destinationFailed; // the run's folders could not be made: nothing started
    std::vector<ItemFailure> failedItems;     // in item order
    std::vector<ItemState> states;            // every item's end, in item order
    bool stopped = false;                     // the user stopped the run
    bool savedCopies = false;                 // the dated folder holds a copy, or what a failed one left
    QStringList failures;                     // the lines the report shows, one per failure above
    std::int64_t trashed = 0;                 // originals moved to the Trash
    std::int64_t trashedBytes = 0;            // the space they take there, as the scan measured it
    bool sameDisk = false;                    // the destination is on an item's own disk: moving frees nothing
    // A copy read back different from what was written, a read of the drive
    // failed or the drive did not come back: no original of the run went.
    bool driveFault = false;
    // Every item's earlier copy that is on the drive at the end (checked or
    // not), by its dated folder's name; empty where the item has none.
    std::vector<std::string> earlierRuns;
    QStringList earlierCopyLines; // the report's line for each of them, in item order
    QStringList supersededLines;  // earlier unchecked copies removed once their items' new copies were checked
    // The destination folder itself, where its drive was mounted again at
    // another place for the check.
    std::optional<std::filesystem::path> destinationMoved;
    // What the run recorded on the drive (run_record.h), where it did: its
    // items, without their files, and the record as written, files and all.
    std::optional<RunRecord> record;
    std::shared_ptr<QTemporaryFile> recordFile;
    // Where each item's original is in the Trash, in item order; empty where it is not.
    std::vector<std::filesystem::path> trashedAs;
};

using TransferProgress = std::function<void(std::int64_t index, std::int64_t total, const QString& name)>;

// Where the transfer stands: the current item's phase, bytes copied or
// bytes read back, against its length; and the whole run in bytes, every
// item counted once for each of its two phases.
struct ItemProgress {
    std::int64_t index = 0; // 1-based, as TransferProgress counts
    std::int64_t total = 0;
    QString name;
    bool verifying = false;      // reading the copy back, else copying
    bool checkingDrive = false;  // making the read-back reach the drive, before any copy is read
    bool flushing = false;       // putting every copy on the drive, between the copies and their read-back
    std::int64_t bytesDone = 0;  // within the current phase
    std::int64_t bytesTotal = 0; // the item's length
    std::int64_t runBytesDone = 0;
    std::int64_t runBytesTotal = 0;
    std::int64_t runItemBytes = 0;    // the items' lengths, each counted once
    std::int64_t runBytesSkipped = 0; // of runBytesDone: phases of failed or stopped items, never run
    // Each phase on its own, skipped items left out of both: bytes copied
    // and still to copy, bytes read back and still to read back.
    std::int64_t copyBytesDone = 0;
    std::int64_t copyBytesLeft = 0;
    std::int64_t verifyBytesDone = 0;
    std::int64_t verifyBytesLeft = 0;
    double runSeconds = 0; // since the run started, pauses left out
};

// Called on the worker at most about 20 times a second, and once as each
// phase starts; must not block.
using ItemProgressCallback = std::function<void(const ItemProgress&)>;

TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem);

// The same with an explicit start time, which names the dated folder, a
// stop token, progress within items and a pause. On a stop request the item
// being copied stops at its next chunk (its unfinished copy removed, its
// original untouched) and fails as stopped, as does every item not yet
// copied or not yet read back. While `pause` is paused the run waits at its
// next chunk or item, with the open files of that item. `remount`, where
// the desktop has one, unmounts a drive served by a driver in user space
// and mounts it again before the read-back. An item with a copy in
// `earlier` (earlier_copies.h) takes that copy instead of writing one: its
// original is read in the copy phase, the copy read back and compared in
// the check phase like any other; what dead runs left unfinished goes.
TransferResult transfer(const std::vector<Candidate>& items, const std::filesystem::path& to, bool moveOriginalsToTrash,
                        const TransferProgress& progress, const FileSystem& fileSystem, const QDateTime& startTime,
                        std::stop_token stop = {}, const ItemProgressCallback& itemProgress = {},
                        const PauseGate* pause = nullptr, const DriveRemount* remount = nullptr,
                        const EarlierCopies* earlier = nullptr);
