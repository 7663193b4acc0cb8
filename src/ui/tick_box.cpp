#include "ui/tick_box.h"

#include "ui/app_color.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

void paintTickBox(QPainter& painter, const QRectF& box, bool checked, bool enabled)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = enabled ? AppColor::emerald : AppColor::mutedText;
    if (checked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(box, 3, 3);
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.24, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.71);
        tick.lineTo(box.left() + box.width() * 0.77, box.top() + box.height() * 0.31);
        painter.setPen(QPen(AppColor::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    } else {
        painter.setPen(QPen(AppColor::mutedText, 1));
        painter.setBrush(AppColor::white);
        painter.drawRoundedRect(box, 3, 3);
    }
    painter.restore();
}

void TickCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStyleOptionButton label = option;
    label.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, label);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    paintTickBox(painter, QRectF(indicator).adjusted(0.5, 0.5, -0.5, -0.5), isChecked(), isEnabled());
}
