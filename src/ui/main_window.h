#pragma once
// The application's one window: it hosts the controller's view, opens at
// 1200 x 820 centred on the screen (smaller where the screen is), cannot be made smaller than 980 x 680,
// is titled "Loftwell" in every language and has the window colour as its
// background. Closing it ends the application, once the close guard, when
// there is one, agrees. GUI thread.

#include <QWidget>

#include <functional>

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    static constexpr int assumedTitleBarHeight = 32;
    // Sizes and centres the window for its screen's available area.
    void placeOnScreen();
    // Asked before the window closes (the close button, Ctrl+Q, Ctrl+W);
    // false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* content_;
    std::function<bool()> closeGuard_;
};
