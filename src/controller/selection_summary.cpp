#include "controller/selection_summary.h"

SelectionSummary summarize(const std::vector<Candidate>& items)
{
    SelectionSummary summary;
    for (const Candidate& item : items) {
        if (item.moved())
            continue; // no longer on this computer
        ++summary.allCount;
        summary.totalBytes += item.sizeBytes();
        summary.safeCount += item.risk() == RiskLevel::safe;
        summary.cautionCount += item.risk() == RiskLevel::caution;
        summary.appCount += item.risk() == RiskLevel::application;
        if (item.selected()) {
            ++summary.selectedCount;
            summary.selectedBytes += item.sizeBytes();
            summary.selectedCautionCount += item.risk() == RiskLevel::caution;
            summary.selectedAppCount += item.risk() == RiskLevel::application;
        }
    }
    return summary;
}
