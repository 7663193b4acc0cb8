#pragma once
// The classifier's verdict on one item: its kind and one line of advice, both
// as display text already in the process's language, and its risk.

#include "model/risk_level.h"

#include <QString>

struct MoveAssessment {
    QString kind;
    RiskLevel risk = RiskLevel::safe;
    QString reason;
};
