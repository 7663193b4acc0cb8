#pragma once
// The window's check box look, shared by the table's ticks and the
// "Move originals to Trash" check box: an emerald rounded square with a
// white tick when checked, a white square with a grey edge when not, grey
// instead of emerald when disabled. GUI thread.

#include <QCheckBox>

class QPainter;

void paintTickBox(QPainter& painter, const QRectF& box, bool checked, bool enabled);

// A QCheckBox whose box is drawn as above; its text, focus frame and sizes
// are the style's own.
class TickCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};
