#pragma once
// How risky it is to move an item off the internal disk. The raw values order
// the candidate list: safe items first, then caution, then applications.

#include <QString>

#include <cstdint>
#include <optional>

enum class RiskLevel : std::int8_t {
    safe = 0,
    caution = 1,
    application = 2,
};

// Exactly 0, 1 and 2 name a level; every other value names none.
std::optional<RiskLevel> riskLevelFromRawValue(std::int64_t rawValue);
int rawValue(RiskLevel risk);

// Text key and display text of the level's advice badge.
const char* adviceTextKey(RiskLevel risk);
QString adviceText(RiskLevel risk);
