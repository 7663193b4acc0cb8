// A press on the window's background moves the window only once the pointer
// has been dragged the platform's distance: a plain click moves nothing.

#include "ui/background_drag.h"

#include <gtest/gtest.h>

TEST(BackgroundDrag, AClickMovesNothingADragMovesOnce)
{
    BackgroundDrag drag;
    drag.press({100, 100});
    drag.release();
    EXPECT_FALSE(drag.moveStarts({100, 100}, 10)); // a click, then a move elsewhere
    EXPECT_FALSE(drag.moveStarts({400, 300}, 10)); // no button held since

    drag.press({100, 100});
    EXPECT_FALSE(drag.moveStarts({104, 103}, 10)); // a hand's tremble
    EXPECT_TRUE(drag.moveStarts({106, 105}, 10));
    EXPECT_FALSE(drag.moveStarts({140, 140}, 10)); // the window system carries it on
}
