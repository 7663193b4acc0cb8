#pragma once
// How each cell of the candidate table is drawn, per column: the check box
// centred in "selected", the advice badge 8 px from the left in "risk", and
// text cells with their size, weight, colour and alignment, 8 px in from
// each side, cut with "…" when too long. Plain values, so that tests can read
// them; the delegate paints from them. GUI thread.

#include "model/risk_level.h"
#include "ui/app_font.h"

#include <QColor>
#include <QRect>
#include <QString>

struct TextCellLook {
    int size;
    FontWeight weight;
    QColor color;
    Qt::Alignment alignment;
};

// By column identifier; unknown identifiers get the plain look.
TextCellLook textCellLook(const QString& identifier);

inline constexpr int cellPadding = 8;
inline constexpr int checkBoxSize = 14;

// Where the check box sits in its cell.
QRect checkBoxRect(const QRect& cell);

// Where the badge sits in its cell, for a text of `textWidth` px.
QRect badgeRect(const QRect& cell, int textWidth);
