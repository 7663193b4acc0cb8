// The window's layout: band heights and anchors in both languages, on small screens too.

#include "ui/window_layout.h"

#include <gtest/gtest.h>

namespace {

const QSize title{120, 24};
const QSize subtitle{200, 14};
const QSize chevron{12, 24};

} // namespace

TEST(WindowLayout, BandsKeepTheirHeightsAndTheMainContentTakesTheRest)
{
    const BandRects all = bandRects({980, 680}, true, true);
    EXPECT_EQ(all.toolbar, QRect(0, 0, 980, 123));
    EXPECT_EQ(all.progress, QRect(0, 123, 980, 44));
    EXPECT_EQ(all.summary, QRect(0, 167, 980, 81));
    EXPECT_EQ(all.main, QRect(0, 248, 980, 356));
    EXPECT_EQ(all.bottom, QRect(0, 604, 980, 76));

    const BandRects idle = bandRects({1200, 820}, false, false);
    EXPECT_TRUE(idle.progress.isEmpty());
    EXPECT_TRUE(idle.summary.isEmpty());
    EXPECT_EQ(idle.main, QRect(0, 123, 1200, 621));
    EXPECT_EQ(idle.bottom, QRect(0, 744, 1200, 76));

    const BandRects results = bandRects({1200, 820}, false, true);
    EXPECT_EQ(results.summary, QRect(0, 123, 1200, 81));
    EXPECT_EQ(results.main, QRect(0, 204, 1200, 540));

    // Below the minimum nothing overlaps: the main content is what gives.
    const BandRects tiny = bandRects({400, 200}, true, true);
    EXPECT_EQ(tiny.main.height(), 0);
    EXPECT_GE(tiny.bottom.top(), tiny.summary.bottom() + 1);
}

TEST(WindowLayout, ToolbarFollowsItsAnchorsInBothLanguages)
{
    for (bool chinese : {false, true}) {
        const ToolbarRects r = toolbarRects(1200, chinese, title, subtitle, chevron);
        EXPECT_EQ(r.selector, QRect(470, 62, 260, 30));
        EXPECT_EQ(r.statusDot, QRect(12, 11, 8, 8));
        EXPECT_EQ(r.nameLabel.left(), 28);
        EXPECT_EQ(r.nameLabel.right() + 1, r.chevron.left() - 8);
        EXPECT_EQ(r.chevron.right() + 1, 260 - 12);
        EXPECT_EQ(r.chevron.top() + r.chevron.height() / 2, 14); // one px above the centre
        EXPECT_EQ(r.popup, QRect(0, 0, 260, 30));
        EXPECT_EQ(r.refreshButton, QRect(742, 61, chinese ? 82 : 146, 32));
        EXPECT_EQ(r.scanButton, QRect(1200 - 24 - (chinese ? 136 : 154), 60, chinese ? 136 : 154, 34));
        EXPECT_EQ(r.driveIcon.size(), QSize(40, 40));
        EXPECT_EQ(r.driveIcon.left(), 24);
        EXPECT_EQ(r.title.left(), 24 + 40 + 12);
        EXPECT_EQ(r.subtitle.top(), r.title.bottom() + 1 + 3);
        EXPECT_EQ(r.title.width(), 280);
        // The brand's bottom sits 25 px above the band's.
        EXPECT_EQ(std::max(r.driveIcon.bottom(), r.subtitle.bottom()) + 1, 123 - 25);
        EXPECT_EQ(r.hairline, QRect(0, 122, 1200, 1));
    }
}

TEST(WindowLayout, BottomBarAndProgressStripFollowTheirAnchors)
{
    const BottomBarRects english = bottomBarRects(1200, false, {240, 20});
    EXPECT_EQ(english.selectSafe, QRect(24, 21, 170, 34));
    EXPECT_EQ(english.selectNone, QRect(206, 21, 104, 34));
    EXPECT_EQ(english.checkbox, QRect(328, 28, 240, 20));
    EXPECT_EQ(english.transfer, QRect(1058, 21, 118, 34));
    const BottomBarRects chinese = bottomBarRects(980, true, {200, 20});
    EXPECT_EQ(chinese.selectSafe.width(), 112);
    EXPECT_EQ(chinese.selectNone, QRect(148, 21, 74, 34));
    EXPECT_EQ(chinese.transfer, QRect(980 - 24 - 116, 21, 116, 34));
    // Too narrow: the check box gives way instead of running under the button.
    const BottomBarRects narrow = bottomBarRects(500, false, {240, 20});
    EXPECT_LE(narrow.checkbox.right(), narrow.transfer.left() - 12);

    const ProgressRects progress = progressRects(1200, {300, 16}, {260, 17});
    EXPECT_EQ(progress.pathLabel, QRect(24, 10, 300, 16));
    EXPECT_EQ(progress.statusLabel.right() + 1, 1200 - 24);
    EXPECT_EQ(progress.indicator, QRect(24, 29, 1152, 4));
    EXPECT_EQ(progress.hairline, QRect(0, 43, 1200, 1));
    const ProgressRects crowded = progressRects(600, {900, 16}, {260, 17});
    EXPECT_LT(crowded.pathLabel.right(), crowded.statusLabel.left());
}

TEST(WindowLayout, TheWindowOpensWholeOnSmallScreens)
{
    const QMargins titleBar(0, 32, 0, 0);
    // Room enough: 1200 x 820, centred with its frame.
    EXPECT_EQ(initialWindowGeometry({0, 0, 1920, 1050}, titleBar), QRect(360, 131, 1200, 820));
    // A 1366 x 768 laptop with a 27 px panel: as tall as fits, full width.
    const QRect laptop(0, 27, 1366, 741);
    const QRect window = initialWindowGeometry(laptop, titleBar);
    EXPECT_EQ(window.size(), QSize(1200, 709));
    EXPECT_TRUE(laptop.contains(window.marginsAdded(titleBar)));
    EXPECT_EQ(window.center().x(), laptop.center().x());
    // Never below the minimum while the area allows it; the title bar stays on screen.
    EXPECT_EQ(initialWindowGeometry({0, 0, 1000, 720}, titleBar).size(), QSize(1000, 688));
    const QRect tiny = initialWindowGeometry({0, 0, 800, 600}, titleBar);
    EXPECT_EQ(tiny.size(), QSize(980, 680));
    EXPECT_EQ(tiny.topLeft(), QPoint(0, 32));
}
