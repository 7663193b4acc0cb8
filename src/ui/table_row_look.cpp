#include "ui/table_row_look.h"

#include "ui/app_color.h"

void paintTableRowBackground(QPainter& painter, const QRect& rowRect)
{
    painter.fillRect(rowRect, AppColor::white);
    painter.fillRect(QRect(rowRect.left(), rowRect.top(), rowRect.width(), 1), AppColor::border);
}
