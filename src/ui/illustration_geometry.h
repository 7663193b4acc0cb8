#pragma once
// Where the shapes of the two drawn pictures go, in the widget's own
// coordinates (y grows downwards). Kept apart from painting so that tests can
// check the geometry directly.

#include <QLineF>
#include <QRectF>

struct DriveIconGeometry {
    QRectF square;  // filled green, radius 10
    QRectF outline; // stroked white, radius 3, width 2
    QLineF slot;    // stroked white, width 2
    static constexpr qreal squareRadius = 10;
    static constexpr qreal outlineRadius = 3;
    static constexpr qreal lineWidth = 2;
};

struct EmptyIconGeometry {
    QRectF disc;    // the filled oval
    QRectF outline; // stroked, radius 8, width 5
    QLineF slot;    // stroked, width 5
    static constexpr qreal outlineRadius = 8;
    static constexpr qreal lineWidth = 5;
};

DriveIconGeometry driveIconGeometry(const QRectF& bounds);
EmptyIconGeometry emptyIconGeometry(const QRectF& bounds);
