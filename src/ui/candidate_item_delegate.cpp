#include "ui/candidate_item_delegate.h"

#include "ui/app_color.h"
#include "ui/candidate_cell_look.h"
#include "ui/candidate_table_model.h"
#include "ui/candidate_table_view.h"
#include "ui/risk_badge_view.h"
#include "ui/table_row_look.h"
#include "ui/tick_box.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

// The risk of a row, as the badge's colours need it.
RiskLevel riskOf(const QModelIndex& index)
{
    const QVariant raw = index.data(CandidateTableModel::riskRole);
    return riskLevelFromRawValue(raw.toInt()).value_or(RiskLevel::safe);
}

} // namespace

void CandidateItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    paintTableRowBackground(*painter, option.rect);
    const QString identifier = CandidateTableModel::identifier(index.column());
    if (identifier == QLatin1String("selected")) {
        if (const QVariant state = index.data(Qt::CheckStateRole); state.isValid())
            paintCheckBox(painter, option.rect, state.toInt() == Qt::Checked, option.state & QStyle::State_Enabled);
        // The row the keyboard is on: a slim green mark, since rows show no highlight.
        const auto* view = qobject_cast<const CandidateTableView*>(option.widget);
        if (view && view->showsKeyboardMark() && view->currentIndex().row() == index.row())
            painter->fillRect(QRect(option.rect.left(), option.rect.top() + 1, 3, option.rect.height() - 1),
                              AppColor::emerald);
    } else if (identifier == QLatin1String("risk")) {
        paintBadge(painter, option.rect, index);
    } else {
        paintText(painter, option.rect, index);
    }
    painter->restore();
}

void CandidateItemDelegate::paintCheckBox(QPainter* painter, const QRect& cell, bool checked, bool enabled) const
{
    paintTickBox(*painter, QRectF(checkBoxRect(cell)).adjusted(0.5, 0.5, -0.5, -0.5), checked, enabled);
}

void CandidateItemDelegate::paintBadge(QPainter* painter, const QRect& cell, const QModelIndex& index) const
{
    const BadgeColors colors = index.data(CandidateTableModel::movedRole).toBool()
                                   ? BadgeColors{AppColor::mutedText, AppColor::control}
                                   : badgeColors(riskOf(index));
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFont font = appFont(RiskBadgeView::textSize, FontWeight::semibold);
    const QFontMetrics metrics(font);
    const QRect badge = badgeRect(cell, metrics.horizontalAdvance(text));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colors.background);
    painter->drawRoundedRect(QRectF(badge), RiskBadgeView::radius, RiskBadgeView::radius);
    painter->setFont(font);
    painter->setPen(colors.foreground);
    painter->drawText(badge, Qt::AlignCenter, metrics.elidedText(text, Qt::ElideRight, badge.width() - 4));
}

void CandidateItemDelegate::paintText(QPainter* painter, const QRect& cell, const QModelIndex& index) const
{
    const TextCellLook look = textCellLook(CandidateTableModel::identifier(index.column()));
    const QFont font = appFont(look.size, look.weight);
    const QRect area = cell.adjusted(cellPadding, 0, -cellPadding, 0);
    painter->setFont(font);
    // A moved row's name and size are greyed: the item is on the drive now.
    const bool greyed =
        index.data(CandidateTableModel::movedRole).toBool() &&
        (index.column() == CandidateTableModel::nameColumn || index.column() == CandidateTableModel::sizeColumn);
    painter->setPen(greyed ? AppColor::mutedText : look.color);
    const QString text =
        QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, area.width());
    painter->drawText(area, int(look.alignment) | Qt::TextSingleLine, text);
}

QSize CandidateItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 44);
}

bool CandidateItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                        const QModelIndex& index)
{
    if (CandidateTableModel::identifier(index.column()) != QLatin1String("selected"))
        return false;
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonDblClick)
        return event->type() == QEvent::MouseButtonPress; // take the press so the release is ours
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
        return false;
    if (!index.data(Qt::CheckStateRole).isValid())
        return false;
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}
