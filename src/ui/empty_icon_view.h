#pragma once
// The empty state's picture: a drive in a disc, grey until the window first
// has something to say, green from then on. GUI thread.

#include <QWidget>

class EmptyIconView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyIconView(QWidget* parent = nullptr);

    bool active() const { return active_; }
    void setActive(bool active);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_ = false;
};
