#pragma once
// A hairline in the border colour; its user gives it a thickness of 1.
// GUI thread.

#include <QWidget>

class SeparatorView : public QWidget {
    Q_OBJECT
public:
    explicit SeparatorView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
