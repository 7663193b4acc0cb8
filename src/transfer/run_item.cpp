#include "transfer/run_item.h"

#include <cassert>

namespace {

// Reasons that leave a copy whole on the drive but not read back from it:
// the run stopped, or the drive could not be made to answer, or went.
bool leavesCopyUnread(const std::error_code& code)
{
    return code == std::errc::operation_canceled || code == FsErrc::notCheckedOnDrive || code == FsErrc::driveBusy ||
           code == FsErrc::deviceHeld || code == FsErrc::destinationGone || code == FsErrc::driveNotMountedBack;
}

} // namespace

void RunItem::reached(ItemStep done)
{
    assert(going());
    const bool next = int(done) == int(step) + 1;
    assert(next);
    if (going() && next)
        step = done;
}

void RunItem::fail(ItemStep at, FsError error)
{
    if (failure)
        return;
    failure = std::move(error);
    failedAt = at;
}

ItemState endState(const RunItem& run)
{
    switch (run.step) {
    case ItemStep::trashed: return ItemState::moved;
    case ItemStep::readBack: return ItemState::copied;
    case ItemStep::flushed:
    case ItemStep::named:
        // Whole on the drive: not a copy where reading it back said so.
        return run.failedAt == ItemStep::readBack && run.failure && !leavesCopyUnread(run.failure->code)
                   ? ItemState::notCopied
                   : ItemState::copiedNotChecked;
    case ItemStep::written:
    case ItemStep::none: break;
    }
    return ItemState::notCopied;
}
