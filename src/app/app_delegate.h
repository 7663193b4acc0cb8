#pragma once
// The application's delegate: it makes the one window and its controller
// exactly once, however often it is told that launching finished, and owns
// both for the whole run. GUI thread.

#include "app/bus_desktop_session.h"
#include "controller/main_window_controller.h"
#include "fs/posix_file_system.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

#include <memory>

class AppDelegate {
public:
    AppDelegate() = default;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;
    ~AppDelegate();

    // `items`: what the program was started with, to list as they are.
    void applicationDidFinishLaunching(const std::vector<std::filesystem::path>& items = {});

    MainWindow* window() const { return window_.get(); }
    MainWindowController* controller() const { return controller_.get(); }

private:
    PosixFileSystem fileSystem_;
    QtDialogs dialogs_;
    BusDesktopSession desktop_; // outlives the controller
    std::unique_ptr<MainWindowController> controller_;
    std::unique_ptr<MainWindow> window_;
    bool didCreateWindow_ = false;
};
