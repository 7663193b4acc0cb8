#pragma once
// The geometry of the main window, as plain functions of its size, the
// language and the natural sizes of a few texts, so that tests can check it
// without painting. Five full-width bands from top to bottom: toolbar,
// progress strip, summary strip, main content, bottom bar; a hidden strip
// gives its height to the main content. All insets are 24 px.

#include <QMargins>
#include <QRect>
#include <QSize>

#include <vector>

namespace WindowMetrics {
inline constexpr QSize initialSize{1200, 820};
inline constexpr QSize minimumSize{980, 680};
inline constexpr int inset = 24;
inline constexpr int toolbarHeight = 123;
inline constexpr int progressHeight = 44;
inline constexpr int summaryHeight = 81;
inline constexpr int bottomBarHeight = 76;
inline constexpr int rowHeight = 44;
} // namespace WindowMetrics

struct BandRects {
    QRect toolbar;
    QRect progress; // empty when hidden
    QRect summary;  // empty when hidden
    QRect main;
    QRect bottom;
};

BandRects bandRects(QSize window, bool progressVisible, bool summaryVisible);

// Where the window opens in a screen's available area, given the frame the
// window system draws around it: the initial size where the area holds it
// with its frame, else the largest size that fits (never below the minimum
// while the area allows the minimum), centred in the area.
QRect initialWindowGeometry(const QRect& available, const QMargins& frame);

// The buttons whose widths depend on the language.
struct ButtonWidths {
    int refresh;
    int scan;
    int selectSafe;
    int selectNone;
    int transfer;
    int movedItems;
};

ButtonWidths buttonWidths(bool chinese);

struct ToolbarRects {
    QRect driveIcon;
    QRect title;
    QRect subtitle;
    QRect selector;
    // Inside the selector:
    QRect statusDot;
    QRect nameLabel;
    QRect chevron;
    QRect popup;
    QRect refreshButton;
    QRect scanButton;
    QRect movedItemsButton; // in the band's top right corner
    QRect hairline;
};

// `titleSize`, `subtitleSize`, `chevronSize`: the labels' natural sizes.
ToolbarRects toolbarRects(int width, bool chinese, QSize titleSize, QSize subtitleSize, QSize chevronSize);

struct ProgressRects {
    QRect pathLabel;
    QRect statusLabel;
    QRect indicator;
    QRect hairline;
    QRect pauseButton; // empty when hidden
    QRect stopButton;  // empty when hidden
};

// The buttons, when shown, stand at the right end and the rest makes room;
// an empty size is a hidden button.
ProgressRects progressRects(int width, QSize pathSize, QSize statusSize, QSize pauseSize = {}, QSize stopSize = {});

struct SummaryRects {
    std::vector<QRect> summaryRow; // count, size, caution badge, app badge
    std::vector<QRect> tabs;       // all, safe, caution, app
    QRect topLine;
    QRect bottomLine;
};

// The summary row 12 px from the top, its items 26 px apart; the tabs 12 px
// from the bottom, 24 px apart. The sizes are the items' natural sizes.
SummaryRects summaryRects(int width, const std::vector<QSize>& summarySizes, const std::vector<QSize>& tabSizes);

struct BottomBarRects {
    QRect selectSafe;
    QRect selectNone;
    QRect checkbox;
    QRect transfer;
    QRect hairline;
};

// The disk bar at the right of the summary row; empty where it would come
// within 24 px of the row's last item `rowEnd`.
QRect diskBarRect(int width, const QRect& rowEnd, QSize size);

BottomBarRects bottomBarRects(int width, bool chinese, QSize checkboxSize);

// A row of items side by side from `left`, centred on `centreY`, `spacing`
// apart, cut at `right` (an item that does not fit is narrowed, then
// dropped to zero width).
std::vector<QRect> rowRects(int left, int right, int centreY, int spacing, const std::vector<QSize>& sizes);
