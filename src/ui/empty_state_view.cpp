#include "ui/empty_state_view.h"

#include "ui/app_color.h"

#include <QEvent>

namespace {

QSize naturalSize(const QLabel* label)
{
    const QFontMetrics metrics(label->font());
    return QSize(metrics.horizontalAdvance(label->text()) + 2, metrics.height());
}

} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent),
      icon_(new EmptyIconView(this)),
      titleLabel_(makeLabel(QString(), titleSize, FontWeight::semibold, AppColor::text, this)),
      subtitleLabel_(makeLabel(QString(), subtitleSize, FontWeight::regular, AppColor::secondaryText, this))
{
    titleLabel_->setAlignment(Qt::AlignCenter);
    subtitleLabel_->setAlignment(Qt::AlignCenter);
    layoutContents();
}

void EmptyStateView::layoutContents()
{
    const QSize title = naturalSize(titleLabel_);
    const QSize subtitle = naturalSize(subtitleLabel_);
    const int groupHeight = iconSize + spacing + title.height() + spacing + subtitle.height();
    const int centreX = width() / 2;
    int y = (height() - groupHeight) / 2;
    icon_->setGeometry(centreX - iconSize / 2, y, iconSize, iconSize);
    y += iconSize + spacing;
    titleLabel_->setGeometry(centreX - title.width() / 2, y, title.width(), title.height());
    y += title.height() + spacing;
    subtitleLabel_->setGeometry(centreX - subtitle.width() / 2, y, subtitle.width(), subtitle.height());
}

void EmptyStateView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}

bool EmptyStateView::event(QEvent* event)
{
    // A label whose text changed asks its parent for a new layout.
    if (event->type() == QEvent::LayoutRequest)
        layoutContents();
    return QWidget::event(event);
}
