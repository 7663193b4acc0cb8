#include "controller/transfer_run_state.h"

#include <algorithm>

void TransferRunState::begin(std::vector<std::filesystem::path> items, bool movesToTrash)
{
    running_ = true;
    paused_ = false;
    items_ = std::move(items);
    movesToTrash_ = movesToTrash;
    pace_ = TransferPace();
    lastItem_.reset();
}

void TransferRunState::end()
{
    running_ = false;
    paused_ = false;
}

const TransferPace& TransferRunState::record(const ItemProgress& item)
{
    pace_.record(item);
    lastItem_ = item;
    return pace_;
}

TransferRunState::RowEnd TransferRunState::rowEnd(const std::filesystem::path& item, const TransferResult& result) const
{
    const auto ran = std::ranges::find(items_, item);
    if (ran == items_.end())
        return {};
    const auto index = std::size_t(ran - items_.begin());
    const ItemState state = index < result.states.size() ? result.states[index] : ItemState::notCopied;
    // After a stop, the items that did not end as asked stay ticked, so
    // Transfer goes on with them; a run that ended by itself clears the ticks.
    const bool asAsked = state == (movesToTrash_ ? ItemState::moved : ItemState::copied);
    return {state == ItemState::moved, result.stopped && !asAsked};
}
