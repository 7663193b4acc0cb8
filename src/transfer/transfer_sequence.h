#pragma once
// A transfer from the user's choice to the drive's eject, the same for the
// window and the command line, in this order:
//   find the copies earlier runs left → ask whether to take them → check
//   the space → confirm → transfer → history → report → eject.
// Each front supplies only how it asks and how it shows. Blocking: the
// window runs it on its worker, whose front waits for the window's answers.

#include "fs/file_system.h"
#include "model/candidate.h"
#include "transfer/drive_eject.h"
#include "transfer/drive_remount.h"
#include "transfer/earlier_copies.h"
#include "transfer/transfer_engine.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

class PauseGate;

// What the user asked for, and what the sequence found out before asking.
struct TransferPlan {
    std::vector<Candidate> items; // in list order
    std::filesystem::path to;
    bool moveToTrash = false;
    std::int64_t freeBytes = 0; // the destination's free space; 0 where unknown
    // Found out by the sequence:
    bool sameDisk = false;           // an item lies on the destination's own file system
    std::int64_t earlierCount = 0;   // items whose earlier copies the run takes
    std::int64_t alreadyOnDrive = 0; // their size, which needs no space
    std::int64_t selectedBytes = 0;  // every item's size
    std::int64_t toWrite() const { return selectedBytes - alreadyOnDrive; }
};

// Whether the run's drive may be ejected from here, once it ended.
struct EjectOffer {
    bool drive = false;          // the destination is not on the system's or the home folder's disk
    bool used = false;           // the run wrote to it, or took copies on it
    std::optional<QString> name; // the drive's name, where the disk service can eject it
    std::filesystem::path mountPoint;
};

class TransferFront {
public:
    enum class EarlierAnswer { use, copyAgain, cancel };
    virtual ~TransferFront() = default;
    // Whole copies earlier runs left on the drive: take them, or copy
    // everything again, or cancel.
    virtual EarlierAnswer askAboutEarlier(const EarlierCopies& found) = 0;
    // The destination's known free space cannot hold what is to be written.
    virtual void refuseForSpace(const TransferPlan& plan) = 0;
    // The last question before anything is written; false cancels.
    virtual bool confirm(const TransferPlan& plan) = 0;
    // The run ended: its report; true to eject the drive (offered where
    // `offer.name` is set).
    virtual bool report(const TransferResult& result, const EjectOffer& offer) = 0;
    virtual void ejected(const EjectResult& result, const QString& name) = 0;
};

struct TransferServices {
    const FileSystem& fileSystem;
    const DriveRemount* remount = nullptr;
    const DriveEject* eject = nullptr;
    const PauseGate* pause = nullptr;
    std::stop_token stop;
    TransferProgress progress;
    ItemProgressCallback itemProgress;
    // Where the run is added to the history of moves (run_history.h); none kept where empty.
    std::filesystem::path historyFolder;
};

// The run's result, none where it never started (refused, cancelled or stopped before).
std::optional<TransferResult> runTransferSequence(TransferPlan plan, TransferFront& front,
                                                  const TransferServices& services);
