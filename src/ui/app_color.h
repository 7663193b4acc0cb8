#pragma once
// The window's eleven fixed colours. The application draws its own look with
// them and never follows the system palette or a dark theme. GUI thread.

#include "model/risk_level.h"

#include <QColor>

namespace AppColor {
inline const QColor window{249, 250, 251};
inline const QColor white{255, 255, 255};
inline const QColor emerald{16, 185, 129};
inline const QColor emeraldDark{4, 120, 87};
inline const QColor emeraldTint{236, 253, 245};
inline const QColor red{239, 68, 68};
inline const QColor text{17, 24, 39};
inline const QColor secondaryText{75, 85, 99};
inline const QColor mutedText{156, 163, 175};
inline const QColor border{229, 231, 235};
inline const QColor control{241, 242, 245};
inline const QColor focusRing{29, 78, 216}; // keyboard focus, on any fill
} // namespace AppColor

// The advice badge colours of each risk level: text on fill.
struct BadgeColors {
    QColor foreground;
    QColor background;
};

BadgeColors badgeColors(RiskLevel risk);
