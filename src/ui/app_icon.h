#pragma once
// The application icon: the toolbar's drive symbol, drawn at any size on
// demand. The window manager's icon and the icon files the build installs
// come from this one drawing. GUI thread.

#include <QIcon>
#include <QImage>

// The icon at `size` x `size` pixels, on a transparent ground.
QImage renderAppIcon(int size);

// An icon that draws itself at whatever size is asked for.
QIcon appIcon();
