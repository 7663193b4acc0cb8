#pragma once
// The candidates of the last completed scan, in the scan's order. The window
// controller owns exactly one store; the table, the summary, the scan and the
// transfer all read the same list through it. Main thread only.
//
// The list is replaced as a whole (emptied when a scan starts, filled when it
// ends); in between only the `selected` and `moved` flags change, in place.

#include "model/candidate.h"

#include <cstddef>
#include <vector>

class CandidateStore {
public:
    CandidateStore() = default;
    CandidateStore(const CandidateStore&) = delete;
    CandidateStore& operator=(const CandidateStore&) = delete;

    const std::vector<Candidate>& items() const { return items_; }
    void replaceItems(std::vector<Candidate> items) { items_ = std::move(items); }

    // Out-of-range indexes are ignored: a stale click must not crash.
    void setSelected(std::size_t index, bool selected)
    {
        if (index < items_.size())
            items_[index].setSelected(selected);
    }
    void setMoved(std::size_t index)
    {
        if (index < items_.size())
            items_[index].setMoved();
    }

private:
    std::vector<Candidate> items_;
};
