#include "scan/candidate_order.h"

#include "model/path_ops.h"
#include "model/path_text.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

namespace {

QCollator makeCollator(const QLocale& locale, Qt::CaseSensitivity sensitivity)
{
    QCollator collator(collationLocale(locale));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(sensitivity);
    return collator;
}

// Lengths of the runs of ASCII digits in `name`, in order.
std::vector<std::size_t> digitRunLengths(const std::string& name)
{
    std::vector<std::size_t> runs;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] >= '0' && name[i] <= '9') {
            std::size_t j = i;
            while (j < name.size() && name[j] >= '0' && name[j] <= '9')
                ++j;
            runs.push_back(j - i);
            i = j;
        } else {
            ++i;
        }
    }
    return runs;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// The tie-breaks after the case-insensitive natural order.
int compareTies(int caseSensitive, const std::string& a, const std::string& b)
{
    if (caseSensitive != 0)
        return sign(caseSensitive);
    const auto runsA = digitRunLengths(a);
    const auto runsB = digitRunLengths(b);
    for (std::size_t i = 0; i < std::min(runsA.size(), runsB.size()); ++i) {
        if (runsA[i] != runsB[i])
            return runsA[i] < runsB[i] ? -1 : 1;
    }
    return sign(a.compare(b));
}

struct NameKeys {
    QCollatorSortKey insensitive;
    QCollatorSortKey sensitive;
    std::string bytes;
};

} // namespace

QLocale collationLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

int compareNames(const std::string& a, const std::string& b, const QLocale& locale)
{
    const QString textA = displayText(std::string_view(a));
    const QString textB = displayText(std::string_view(b));
    if (const int natural = makeCollator(locale, Qt::CaseInsensitive).compare(textA, textB); natural != 0)
        return sign(natural);
    return compareTies(makeCollator(locale, Qt::CaseSensitive).compare(textA, textB), a, b);
}

void sortCandidates(std::vector<Candidate>& candidates, const QLocale& locale)
{
    const QCollator insensitive = makeCollator(locale, Qt::CaseInsensitive);
    const QCollator sensitive = makeCollator(locale, Qt::CaseSensitive);
    // Sort keys once per name: far cheaper than collating at every comparison.
    std::vector<NameKeys> keys;
    keys.reserve(candidates.size());
    for (const Candidate& candidate : candidates) {
        std::string name = lastPathComponent(candidate.sourceURL());
        const QString text = displayText(std::string_view(name));
        keys.push_back({insensitive.sortKey(text), sensitive.sortKey(text), std::move(name)});
    }

    std::vector<std::size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const Candidate& a = candidates[x];
        const Candidate& b = candidates[y];
        if (a.risk() != b.risk())
            return rawValue(a.risk()) < rawValue(b.risk());
        if (a.sizeBytes() != b.sizeBytes())
            return a.sizeBytes() > b.sizeBytes();
        if (const int natural = keys[x].insensitive.compare(keys[y].insensitive); natural != 0)
            return natural < 0;
        return compareTies(keys[x].sensitive.compare(keys[y].sensitive), keys[x].bytes, keys[y].bytes) < 0;
    });

    std::vector<Candidate> sorted;
    sorted.reserve(candidates.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(candidates[index]));
    candidates = std::move(sorted);
}
