#pragma once
// When a press on the window's background becomes a move of the window: only
// once the pointer has travelled the platform's drag distance with the
// button held, as toolkits start drags. A plain click moves nothing (a
// window manager would otherwise carry the window to the next click). Pure.

#include <QPoint>

class BackgroundDrag {
public:
    void press(QPoint globalPosition)
    {
        pressedAt_ = globalPosition;
        pending_ = true;
    }
    void release() { pending_ = false; }

    // True once, when the pointer held down has moved far enough.
    bool moveStarts(QPoint globalPosition, int dragDistance)
    {
        if (!pending_ || (globalPosition - pressedAt_).manhattanLength() < dragDistance)
            return false;
        pending_ = false;
        return true;
    }

private:
    QPoint pressedAt_;
    bool pending_ = false;
};
