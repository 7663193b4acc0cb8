#include "app/app_delegate.h"

AppDelegate::~AppDelegate()
{
    // The window holds the controller's views: it goes first.
    window_.reset();
    controller_.reset();
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (didCreateWindow_)
        return;
    didCreateWindow_ = true;
    controller_ = std::make_unique<MainWindowController>(fileSystem_, dialogs_);
    window_ = std::make_unique<MainWindow>(controller_->view());
    dialogs_.setParent(window_.get());
    window_->setCloseGuard([controller = controller_.get()] { return controller->mayClose(); });
    window_->placeOnScreen();
    window_->show();
    window_->raise();
    window_->activateWindow();
}
