#pragma once
// The history of moves on this computer: one file per run in
// $XDG_DATA_HOME/loftwell/runs, holding the run's record (run_record.h),
// the drive it went to and how each item ended, with the place of each
// original in the Trash while it lasts. A file that cannot be read is set
// aside under another name, never in the way of the program.

#include "transfer/run_record.h"
#include "transfer/transfer_engine.h"

#include <QIODevice>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct DriveIdentity {
    QString uuid;  // the file system's, where it has one
    QString label; // its name, where it has one
    std::filesystem::path mountPoint;
    std::filesystem::path runsFolder; // the Loftwell folder the run's copies are in, as it was then
};

struct HistoryItem {
    std::string original;
    ItemState state = ItemState::notCopied;
    std::string trashedAs;     // where its original is in the Trash, for a moved item
    std::string broughtBackTo; // where it was brought back to, once it was
};

struct HistoryEntry {
    RunRecord record;
    DriveIdentity drive;
    std::vector<HistoryItem> items; // every item of the run, in its order
    std::filesystem::path file;     // the history's file of it, once read
    // A run that just ended: its record as it was written, files and all,
    // taken as it stands (`record` then holds its items alone).
    std::shared_ptr<QIODevice> recordJson;
};

struct HistoryRead {
    std::vector<HistoryEntry> runs;              // newest first
    std::vector<std::filesystem::path> setAside; // files that could not be read, under their new names
};

// $XDG_DATA_HOME/loftwell, else HOME/.local/share/loftwell, where the
// Trash finds its own place too.
std::filesystem::path defaultHistoryFolder(const std::filesystem::path& home);

// The history's entry for a run that ended as `result`.
HistoryEntry historyEntry(const std::vector<Candidate>& items, const TransferResult& result, const DriveIdentity& drive,
                          const QDateTime& started);

// Adds `entry` to the history in `folder`, made on first use and private
// to the user; false where it could not be written.
bool addToHistory(const std::filesystem::path& folder, const HistoryEntry& entry);

// Writes a read entry back to its file, whole or not at all.
bool saveHistoryEntry(const HistoryEntry& entry);

HistoryRead readHistory(const std::filesystem::path& folder);
