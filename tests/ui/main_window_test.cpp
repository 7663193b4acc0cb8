#include "ui/main_window.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

TEST(MainWindow, OpensAt1200By820TitledLoftwell)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    const auto window = makeMainWindow();
    window->show();
    EXPECT_EQ(window->size(), QSize(1200, 820));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Loftwell"));
}
