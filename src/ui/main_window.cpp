#include "ui/main_window.h"

#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/window_layout.h"

#include <QCloseEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

MainWindow::MainWindow(QWidget* content, QWidget* parent) : QWidget(parent), content_(content)
{
    setWindowTitle(I18n::text("app.title"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, AppColor::window);
    setPalette(palette);
    setAutoFillBackground(true);
    content_->setParent(this);
    setMinimumSize(WindowMetrics::minimumSize);
    resize(WindowMetrics::initialSize);
    content_->setGeometry(rect());
    // The desktop's usual keys for closing the window, which ends the application.
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Quit), QKeySequence(QKeySequence::Close)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

void MainWindow::placeOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // Before the window is shown the window system has not told its frame;
    // allow for a usual title bar then.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame = QMargins(0, assumedTitleBarHeight, 0, 0);
    setGeometry(initialWindowGeometry(screen->availableGeometry(), frame));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    content_->setGeometry(rect());
}
