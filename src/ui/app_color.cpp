#include "ui/app_color.h"

BadgeColors badgeColors(RiskLevel risk)
{
    switch (risk) {
    case RiskLevel::safe: return {AppColor::emeraldDark, AppColor::emeraldTint};
    case RiskLevel::caution: return {QColor(185, 98, 0), QColor(255, 247, 220)};
    case RiskLevel::application: return {QColor(30, 71, 163), QColor(219, 233, 255)};
    }
    return {AppColor::emeraldDark, AppColor::emeraldTint};
}
