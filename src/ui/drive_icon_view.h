#pragma once
// The toolbar's drive symbol: a white outlined drive with a slot line on a
// green rounded square, drawn in code. GUI thread.

#include <QWidget>

class DriveIconView : public QWidget {
    Q_OBJECT
public:
    explicit DriveIconView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
