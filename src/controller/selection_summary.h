#pragma once
// The counts and sizes the summary strip and the tabs show, derived from the
// candidate list alone. Risk counts are by risk only. Pure.

#include "model/candidate.h"

#include <cstdint>
#include <vector>

struct SelectionSummary {
    std::int64_t allCount = 0;
    std::int64_t totalBytes = 0;
    std::int64_t selectedCount = 0;
    std::int64_t selectedBytes = 0;
    std::int64_t safeCount = 0;
    std::int64_t cautionCount = 0;
    std::int64_t appCount = 0;
    std::int64_t selectedCautionCount = 0;
    std::int64_t selectedAppCount = 0;
};

SelectionSummary summarize(const std::vector<Candidate>& items);
