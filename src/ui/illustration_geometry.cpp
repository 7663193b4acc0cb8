#include "ui/illustration_geometry.h"

DriveIconGeometry driveIconGeometry(const QRectF& bounds)
{
    DriveIconGeometry geometry;
    geometry.square = bounds;
    geometry.outline = QRectF(bounds.center().x() - 10, bounds.center().y() - 8, 20, 16);
    // 5 px above the outline's lower edge.
    const qreal slotY = geometry.outline.bottom() - 5;
    geometry.slot = QLineF(geometry.outline.left() + 4, slotY, geometry.outline.right() - 4, slotY);
    return geometry;
}

EmptyIconGeometry emptyIconGeometry(const QRectF& bounds)
{
    EmptyIconGeometry geometry;
    geometry.disc = bounds;
    geometry.outline =
        bounds.adjusted(0.3 * bounds.width(), 0.34 * bounds.height(), -0.3 * bounds.width(), -0.34 * bounds.height());
    const qreal slotY = geometry.outline.bottom() - 14;
    geometry.slot = QLineF(geometry.outline.left() + 12, slotY, geometry.outline.right() - 12, slotY);
    return geometry;
}
