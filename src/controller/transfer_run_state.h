#pragma once
// The running transfer's own state, apart from the window's: whether it
// runs and is paused, its items in their order and whether their originals
// go to the Trash, its pace and its last report, and how each row of the
// list ends when it is over. GUI thread.

#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"

#include <filesystem>
#include <optional>
#include <vector>

class TransferRunState {
public:
    // A run of `items` begins, not paused, with no pace yet.
    void begin(std::vector<std::filesystem::path> items, bool movesToTrash);
    // It ended, with a run of the engine or before one; its items stay
    // known for the rows' ends.
    void end();

    bool running() const { return running_; }
    bool paused() const { return paused_; }
    // Only a running transfer pauses.
    void setPaused(bool paused) { paused_ = running_ && paused; }

    // The item's report kept, as the last one and in the pace.
    const TransferPace& record(const ItemProgress& item);
    const std::optional<ItemProgress>& lastItem() const { return lastItem_; }

    struct RowEnd {
        bool moved = false;  // its original went to the Trash
        bool ticked = false; // stays ticked: a stopped run did not do it as asked
    };
    // How the row of `item` ends after the run ended as `result`.
    RowEnd rowEnd(const std::filesystem::path& item, const TransferResult& result) const;

private:
    bool running_ = false;
    bool paused_ = false;
    std::vector<std::filesystem::path> items_;
    bool movesToTrash_ = false;
    TransferPace pace_;
    std::optional<ItemProgress> lastItem_;
};
