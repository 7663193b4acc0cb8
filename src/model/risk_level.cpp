#include "model/risk_level.h"

#include "model/text_table.h"

std::optional<RiskLevel> riskLevelFromRawValue(std::int64_t rawValue)
{
    switch (rawValue) {
    case 0: return RiskLevel::safe;
    case 1: return RiskLevel::caution;
    case 2: return RiskLevel::application;
    default: return std::nullopt;
    }
}

int rawValue(RiskLevel risk)
{
    return static_cast<int>(risk);
}

const char* adviceTextKey(RiskLevel risk)
{
    switch (risk) {
    case RiskLevel::safe: return "risk.safe";
    case RiskLevel::caution: return "risk.caution";
    case RiskLevel::application: return "risk.application";
    }
    return "risk.safe";
}

QString adviceText(RiskLevel risk)
{
    return I18n::text(adviceTextKey(risk));
}
