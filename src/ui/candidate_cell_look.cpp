#include "ui/candidate_cell_look.h"

#include "ui/app_color.h"
#include "ui/risk_badge_view.h"

#include <algorithm>

TextCellLook textCellLook(const QString& identifier)
{
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    if (identifier == QLatin1String("name"))
        return {14, FontWeight::medium, AppColor::text, left};
    if (identifier == QLatin1String("kind") || identifier == QLatin1String("location") ||
        identifier == QLatin1String("note"))
        return {13, FontWeight::regular, AppColor::secondaryText, left};
    if (identifier == QLatin1String("size"))
        return {13, FontWeight::semibold, AppColor::text, Qt::AlignRight | Qt::AlignVCenter};
    return {13, FontWeight::regular, AppColor::text, left};
}

QRect checkBoxRect(const QRect& cell)
{
    return QRect(cell.center().x() - checkBoxSize / 2 + 1, cell.center().y() - checkBoxSize / 2 + 1, checkBoxSize,
                 checkBoxSize);
}

QRect badgeRect(const QRect& cell, int textWidth)
{
    const int room = std::max(0, cell.width() - 2 * cellPadding);
    const int width = std::min(room, std::max(RiskBadgeView::minimumWidth, textWidth + 16));
    return QRect(cell.left() + cellPadding, cell.top() + (cell.height() - RiskBadgeView::height) / 2, width,
                 RiskBadgeView::height);
}
