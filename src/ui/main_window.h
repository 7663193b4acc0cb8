#pragma once
// The application's one window: it hosts the controller's view, opens at
// 1200 x 820 centred on the screen, cannot be made smaller than 980 x 680,
// is titled "Loftwell" in every language and has the window colour as its
// background. Closing it ends the application. GUI thread.

#include <QWidget>

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    void centreOnScreen();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* content_;
};
