#include "ui/selector_focus_mark.h"

#include "ui/app_color.h"
#include "ui/rounded_view.h"

#include <QEvent>
#include <QFocusEvent>
#include <QWidget>

namespace {

bool isKeyboardFocus(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

class SelectorFocusMark : public QObject {
public:
    SelectorFocusMark(RoundedView* selector, QObject* parent) : QObject(parent), selector_(selector) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only focus the keyboard brought shows; a click shows nothing.
        if (event->type() == QEvent::FocusIn && isKeyboardFocus(static_cast<QFocusEvent*>(event)->reason())) {
            selector_->setBorderColor(AppColor::focusRing);
            selector_->setBorderWidth(2);
        } else if (event->type() == QEvent::FocusOut) {
            selector_->setBorderColor(AppColor::border);
            selector_->setBorderWidth(1);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    RoundedView* selector_;
};

} // namespace

void showKeyboardFocusOn(RoundedView* mark, QWidget* control)
{
    control->installEventFilter(new SelectorFocusMark(mark, control));
}
