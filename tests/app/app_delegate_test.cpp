// The application delegate makes the window and its controller exactly once, at launch.

#include "app/app_delegate.h"

#include "ui/app_color.h"

#include <QApplication>

#include <gtest/gtest.h>

TEST(AppDelegate, MakesTheWindowOnceAt1200By820)
{
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    MainWindow* window = delegate.window();
    MainWindowController* controller = delegate.controller();
    ASSERT_NE(window, nullptr);
    delegate.applicationDidFinishLaunching(); // a second notice changes nothing
    EXPECT_EQ(delegate.window(), window);
    EXPECT_EQ(delegate.controller(), controller);
    EXPECT_EQ(window->size(), QSize(1200, 820));
    EXPECT_EQ(window->minimumSize(), QSize(980, 680));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Loftwell"));
    EXPECT_EQ(window->palette().color(QPalette::Window), AppColor::window);
    // The window manager shows the application icon, the toolbar's emerald drive.
    const QImage icon = window->windowIcon().pixmap(QSize(64, 64)).toImage();
    ASSERT_EQ(icon.size(), QSize(64, 64));
    EXPECT_EQ(icon.pixelColor(6, 32), AppColor::emerald);
    EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0); // a rounded corner
    EXPECT_EQ(controller->view()->geometry(), QRect(0, 0, 1200, 820));
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        windows += widget->isVisible() ? 1 : 0;
    EXPECT_EQ(windows, 1);
}
