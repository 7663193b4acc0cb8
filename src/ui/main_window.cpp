#include "ui/main_window.h"

#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/window_layout.h"

#include <QScreen>
#include <QShortcut>

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

void MainWindow::centreOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    content_->setGeometry(rect());
}
