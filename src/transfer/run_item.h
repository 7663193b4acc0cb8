#pragma once
// One item's way through a run: the item, its copy (made by this run, or an
// earlier run's, found by the item's own path) and the last step it
// completed. Steps only go forward, each taken when it said so; where one
// fails, the item keeps why and goes no further. Its end is read from the
// two: an item is moved only where its original reached the Trash.

#include "fs/fs_error.h"
#include "model/candidate.h"
#include "transfer/earlier_copies.h"
#include "transfer/made_copy.h"
#include "transfer/transfer_engine.h"

#include <cstddef>
#include <filesystem>
#include <optional>

enum class ItemStep {
    none,     // nothing of it on the drive
    written,  // a whole copy under a hidden name, or an earlier run's whole copy taken
    flushed,  // the copy on the drive, past every cache
    named,    // under its own name, on the drive
    readBack, // read back from the drive and found identical to what was written
    trashed,  // its original in the Trash
};

struct RunItem {
    std::size_t index = 0; // among the run's items
    const Candidate* item = nullptr;
    const EarlierCopy* earlier = nullptr; // an earlier run's copy, to take instead of writing one
    MadeCopy copy;
    ItemStep step = ItemStep::none;
    std::optional<FsError> failure; // why it went no further
    ItemStep failedAt = ItemStep::none;
    bool trashRefused = false;       // the Trash itself refused its original
    std::filesystem::path trashedAs; // where its original is in the Trash

    bool going() const { return !failure; }
    // `done` completed: only ever the next step (another is ignored, and
    // the item then ends short of what was asked).
    void reached(ItemStep done);
    // The step it was taking failed; the first reason stays.
    void fail(ItemStep at, FsError error);
};

// How the item ended, from the step it reached and why it went no further.
ItemState endState(const RunItem& run);
