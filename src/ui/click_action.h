#pragma once
// Turns a plain widget into a click target: `action` runs when a left-button
// press on `widget` is released inside it. Presses taken by an enabled child
// never reach the widget; those a disabled child lets through do. GUI thread.

#include <functional>

class QWidget;

void callOnClick(QWidget* widget, std::function<void()> action);
