#include "scan/exact_items.h"

#include "model/path_ops.h"
#include "scan/assess_candidate.h"
#include "scan/candidate_order.h"
#include "scan/candidate_scanner.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

// `inner` is `outer` or lies below it.
bool within(const fs::path& inner, const fs::path& outer)
{
    const std::string& in = inner.native();
    const std::string& out = outer.native();
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 &&
                         (out.ends_with('/') || in[out.size()] == '/'));
}

} // namespace

std::vector<fs::path> outermostItems(const std::vector<fs::path>& items, std::vector<DroppedItem>* dropped)
{
    std::vector<fs::path> kept;
    for (const fs::path& item : items) {
        const fs::path path = standardizedPath(item);
        // An earlier item holding this one keeps it; this one replaces
        // earlier items it holds.
        const auto holder = std::find_if(kept.begin(), kept.end(), [&](const fs::path& k) { return within(path, k); });
        if (holder != kept.end()) {
            if (dropped)
                dropped->push_back({path, *holder});
            continue;
        }
        std::erase_if(kept, [&](const fs::path& k) {
            const bool inside = within(k, path);
            if (inside && dropped)
                dropped->push_back({k, path});
            return inside;
        });
        kept.push_back(path);
    }
    return kept;
}

std::vector<Candidate> exactCandidates(const std::vector<fs::path>& items, const FileSystem& fileSystem,
                                       std::stop_token stop)
{
    std::vector<Candidate> candidates;
    for (const fs::path& item : outermostItems(items)) {
        if (stop.stop_requested())
            break;
        const auto values = fileSystem.itemValues(item);
        if (!values || values.value().isSymbolicLink())
            continue;
        const ItemMeasure measure = measureItem(item, fileSystem, stop);
        const MoveAssessment assessment = assessNamedItem(item, measure.sizeBytes, fileSystem);
        Candidate candidate(item, displayRootName(item.parent_path(), fileSystem), assessment.kind, assessment.risk,
                            assessment.reason, measure.sizeBytes, measure.fingerprint);
        candidate.setSelected(true); // named by the user: every one is meant
        candidates.push_back(std::move(candidate));
    }
    sortCandidates(candidates);
    return candidates;
}
