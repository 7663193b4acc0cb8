#pragma once
// A small bar of a disk, with its line beside it: the part in use (grey),
// within it the part the ticked items would free (green), and the free
// part (light). Named for assistive technology by its line. GUI thread.

#include "ui/window_display.h"

#include <QWidget>

class DiskBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int barWidth = 120;
    static constexpr int barHeight = 8;
    static constexpr int gap = 10; // between the bar and its line

    explicit DiskBarView(QWidget* parent = nullptr);

    void setDisplay(const DiskBarDisplay& display);
    const DiskBarDisplay& display() const { return display_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DiskBarDisplay display_;
};
