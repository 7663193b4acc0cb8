#pragma once
// The order of the recommendation list: risk ascending, size descending, then
// file names in natural order (case-insensitive, digit runs by value, the
// user's locale), then discovery order. Names the collator calls equal are
// told apart lower case first, then the shorter digit run first, then by raw
// bytes, so the order never depends on the sort algorithm.

#include "model/candidate.h"

#include <QLocale>

#include <string>
#include <vector>

// The locale whose collation orders names: `locale`, or en_US for C/POSIX,
// where Qt's collator ignores numeric mode.
QLocale collationLocale(const QLocale& locale);

// Stable sort in place.
void sortCandidates(std::vector<Candidate>& candidates, const QLocale& locale = QLocale::system());

// Compares two names under the natural order and its tie-breaks: <0, 0, >0.
// For tests and callers ordering a few names; sorting many uses sort keys.
int compareNames(const std::string& a, const std::string& b, const QLocale& locale);
