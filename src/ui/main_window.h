#pragma once
// The application's one window. GUI thread only.

#include <QWidget>

#include <memory>

inline constexpr int mainWindowWidth = 1200;
inline constexpr int mainWindowHeight = 820;

std::unique_ptr<QWidget> makeMainWindow();
