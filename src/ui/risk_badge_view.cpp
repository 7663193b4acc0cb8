#include "ui/risk_badge_view.h"

#include "ui/app_color.h"

#include <QResizeEvent>

RiskBadgeView::RiskBadgeView(const QString& text, const QColor& foreground, const QColor& background, QWidget* parent)
    : RoundedView(background, std::nullopt, 0, radius, parent),
      textLabel_(makeLabel(QString(), textSize, FontWeight::semibold, AppColor::text, this))
{
    textLabel_->setText(text);
    textLabel_->setTextColor(foreground);
    textLabel_->setAlignment(Qt::AlignCenter);
    setMinimumSize(minimumWidth, height);
    setMaximumHeight(height);
    resize(sizeHint());
}

QSize RiskBadgeView::sizeHint() const
{
    const int textWidth = textLabel_ ? textLabel_->fontMetrics().horizontalAdvance(textLabel_->text()) : 0;
    return QSize(qMax(minimumWidth, textWidth + 16), height);
}

QSize RiskBadgeView::minimumSizeHint() const
{
    return QSize(minimumWidth, height);
}

void RiskBadgeView::resizeEvent(QResizeEvent* event)
{
    RoundedView::resizeEvent(event);
    // Centred, not pinned to the sides: a longer text may overflow a narrow badge evenly.
    const int textWidth = qMax(width(), textLabel_->fontMetrics().horizontalAdvance(textLabel_->text()) + 2);
    textLabel_->setGeometry((width() - textWidth) / 2, 0, textWidth, height);
}
