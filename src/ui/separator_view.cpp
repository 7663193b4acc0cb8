#include "ui/separator_view.h"

#include "ui/app_color.h"

#include <QPainter>

SeparatorView::SeparatorView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SeparatorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), AppColor::border);
}
