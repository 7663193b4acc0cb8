#pragma once
// Keyboard focus on a nearly invisible control shown on the view that
// stands for it: a green border while the keyboard brought focus there.

class QWidget;
class RoundedView;

// `mark` shows the focus of `control`; the watcher lives as long as `control`.
void showKeyboardFocusOn(RoundedView* mark, QWidget* control);
