#pragma once
// The scan's size threshold for items found inside a folder: 20 MiB.

#include <cstdint>

inline constexpr std::int64_t minCandidateBytes = 20'971'520;
