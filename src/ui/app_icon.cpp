#include "ui/app_icon.h"

#include "ui/drive_icon_view.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {

class AppIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const int size = std::min(rect.width(), rect.height());
        painter->drawImage(QRect(rect.topLeft(), QSize(size, size)), renderAppIcon(size));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return QPixmap::fromImage(renderAppIcon(std::min(size.width(), size.height())));
    }

    QIconEngine* clone() const override { return new AppIconEngine; }

    // The sizes a window manager picks from.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }
};

} // namespace

QImage renderAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // Drawn at the toolbar's 40 px geometry and scaled, so proportions stay
    // those of the symbol in the window.
    DriveIconView icon;
    icon.resize(40, 40);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(size / 40.0, size / 40.0);
    icon.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image;
}

QIcon appIcon()
{
    return QIcon(new AppIconEngine);
}
