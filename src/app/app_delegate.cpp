#include "app/app_delegate.h"

#include "ui/app_icon.h"

AppDelegate::~AppDelegate()
{
    // The window holds the controller's views: it goes first.
    window_.reset();
    controller_.reset();
}

void AppDelegate::applicationDidFinishLaunching(const std::vector<std::filesystem::path>& items)
{
    if (didCreateWindow_)
        return;
    didCreateWindow_ = true;
    controller_ = std::make_unique<MainWindowController>(fileSystem_, dialogs_);
    controller_->setDesktopSession(&desktop_);
    window_ = std::make_unique<MainWindow>(controller_->view());
    dialogs_.setParent(window_.get());
    window_->setWindowIcon(appIcon());
    window_->setCloseGuard([controller = controller_.get()] { return controller->mayClose(); });
    window_->placeOnScreen();
    window_->show();
    window_->raise();
    window_->activateWindow();
    // Started with items (from the file manager): exactly those are the list.
    if (!items.empty())
        controller_->openItems(items);
}
