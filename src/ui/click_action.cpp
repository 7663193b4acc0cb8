#include "ui/click_action.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

class ClickAction : public QObject {
public:
    ClickAction(QWidget* widget, std::function<void()> action) : QObject(widget), action_(std::move(action)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            if (event->type() == QEvent::MouseButtonPress) {
                pressed_ = true;
                return true;
            }
            const bool inside = widget->rect().contains(mouse->position().toPoint());
            const bool wasPressed = std::exchange(pressed_, false);
            if (wasPressed && inside)
                action_();
            return true;
        }
        // Space or Return on it, when it takes the focus, as on a button.
        if (event->type() == QEvent::KeyPress && widget->focusPolicy() != Qt::NoFocus) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
                action_();
                return true;
            }
        }
        return false;
    }

private:
    std::function<void()> action_;
    bool pressed_ = false;
};

} // namespace

void callOnClick(QWidget* widget, std::function<void()> action)
{
    widget->installEventFilter(new ClickAction(widget, std::move(action)));
}
