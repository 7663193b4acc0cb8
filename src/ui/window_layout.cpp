#include "ui/window_layout.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace WindowMetrics;

namespace {

// A rectangle of `size` whose vertical centre is `centreY`.
QRect centredOn(int x, int centreY, QSize size)
{
    return QRect(x, centreY - size.height() / 2, size.width(), size.height());
}

} // namespace

BandRects bandRects(QSize window, bool progressVisible, bool summaryVisible)
{
    const int width = window.width();
    BandRects bands;
    int y = 0;
    bands.toolbar = QRect(0, y, width, toolbarHeight);
    y += toolbarHeight;
    if (progressVisible) {
        bands.progress = QRect(0, y, width, progressHeight);
        y += progressHeight;
    }
    if (summaryVisible) {
        bands.summary = QRect(0, y, width, summaryHeight);
        y += summaryHeight;
    }
    // Below the minimum size the main content shrinks first, never below zero.
    const int bottomTop = std::max(y, window.height() - bottomBarHeight);
    bands.main = QRect(0, y, width, bottomTop - y);
    bands.bottom = QRect(0, bottomTop, width, bottomBarHeight);
    return bands;
}

ButtonWidths buttonWidths(bool chinese)
{
    return chinese ? ButtonWidths{82, 136, 112, 74, 116, 112} : ButtonWidths{146, 154, 170, 104, 118, 120};
}

ToolbarRects toolbarRects(int width, bool chinese, QSize titleSize, QSize subtitleSize, QSize chevronSize)
{
    const ButtonWidths widths = buttonWidths(chinese);
    ToolbarRects r;
    r.hairline = QRect(0, toolbarHeight - 1, width, 1);

    // Brand: icon and a 280 px title stack (title, 3 px, subtitle), centred
    // on each other, the group's bottom 25 px above the band's.
    const int stackHeight = titleSize.height() + 3 + subtitleSize.height();
    const int brandHeight = std::max(40, stackHeight);
    const int brandTop = toolbarHeight - 25 - brandHeight;
    r.driveIcon = QRect(inset, brandTop + (brandHeight - 40) / 2, 40, 40);
    const int stackTop = brandTop + (brandHeight - stackHeight) / 2;
    r.title = QRect(inset + 40 + 12, stackTop, 280, titleSize.height());
    r.subtitle = QRect(inset + 40 + 12, stackTop + titleSize.height() + 3, 280, subtitleSize.height());

    // Destination selector: centred, its bottom 31 px above the band's.
    r.selector = QRect(width / 2 - 130, toolbarHeight - 31 - 30, 260, 30);
    const int innerCentreY = 15;
    r.statusDot = QRect(12, innerCentreY - 4, 8, 8);
    r.chevron = centredOn(260 - 12 - chevronSize.width(), innerCentreY - 1, chevronSize);
    const int nameLeft = r.statusDot.right() + 1 + 8;
    const int nameHeight = 18;
    r.nameLabel = centredOn(nameLeft, innerCentreY, QSize(std::max(0, r.chevron.left() - 8 - nameLeft), nameHeight));
    r.popup = QRect(0, 0, 260, 30);

    const int selectorCentreY = r.selector.top() + 15;
    r.refreshButton = centredOn(r.selector.right() + 1 + 12, selectorCentreY, QSize(widths.refresh, 32));
    r.scanButton = centredOn(width - inset - widths.scan, selectorCentreY, QSize(widths.scan, 34));
    // Above the scan button, right-aligned with it, 16 px clear of it.
    r.movedItemsButton = QRect(width - inset - widths.movedItems, r.scanButton.top() - 16 - 28, widths.movedItems, 28);
    return r;
}

ProgressRects progressRects(int width, QSize pathSize, QSize statusSize, QSize pauseSize, QSize stopSize)
{
    ProgressRects r;
    r.hairline = QRect(0, progressHeight - 1, width, 1);
    // Buttons of 28 px, centred in the strip, right to left.
    int right = width - inset;
    for (auto [size, rect] : {std::pair{stopSize, &r.stopButton}, std::pair{pauseSize, &r.pauseButton}}) {
        if (size.isEmpty())
            continue;
        *rect = QRect(right - size.width(), (progressHeight - 28) / 2, size.width(), 28);
        right = rect->left() - 8;
    }
    if (right < width - inset)
        right -= 8; // 16 px between the buttons and the rest
    r.statusLabel = QRect(right - statusSize.width(), 10 + pathSize.height() / 2 - statusSize.height() / 2,
                          statusSize.width(), statusSize.height());
    // The path gives way to the status when both are long: elided, never overlapping.
    const int pathRoom = std::max(0, r.statusLabel.left() - 16 - inset);
    r.pathLabel = QRect(inset, 10, std::min(pathSize.width(), pathRoom), pathSize.height());
    r.indicator = QRect(inset, progressHeight - 11 - 4, std::max(0, right - inset), 4);
    return r;
}

SummaryRects summaryRects(int width, const std::vector<QSize>& summarySizes, const std::vector<QSize>& tabSizes)
{
    SummaryRects r;
    r.topLine = QRect(0, 0, width, 1);
    r.bottomLine = QRect(0, summaryHeight - 1, width, 1);
    const int right = width - inset;
    int rowHeight = 0;
    for (const QSize& item : summarySizes)
        rowHeight = std::max(rowHeight, item.height());
    r.summaryRow = rowRects(inset, right, 12 + rowHeight / 2, 26, summarySizes);
    const int tabHeight = tabSizes.empty() ? 0 : tabSizes.front().height();
    r.tabs = rowRects(inset, right, summaryHeight - 12 - tabHeight / 2, 24, tabSizes);
    return r;
}

QRect diskBarRect(int width, const QRect& rowEnd, QSize size)
{
    const QRect rect(width - inset - size.width(), rowEnd.center().y() - size.height() / 2 + 1, size.width(),
                     size.height());
    return rect.left() - 24 > rowEnd.right() ? rect : QRect();
}

BottomBarRects bottomBarRects(int width, bool chinese, QSize checkboxSize)
{
    const ButtonWidths widths = buttonWidths(chinese);
    const int centreY = bottomBarHeight / 2;
    BottomBarRects r;
    r.hairline = QRect(0, 0, width, 1);
    r.selectSafe = centredOn(inset, centreY, QSize(widths.selectSafe, 34));
    r.selectNone = centredOn(r.selectSafe.right() + 1 + 12, centreY, QSize(widths.selectNone, 34));
    r.transfer = centredOn(width - inset - widths.transfer, centreY, QSize(widths.transfer, 34));
    const int checkboxLeft = r.selectNone.right() + 1 + 18;
    const int room = std::max(0, r.transfer.left() - 12 - checkboxLeft);
    r.checkbox = centredOn(checkboxLeft, centreY, QSize(std::min(checkboxSize.width(), room), checkboxSize.height()));
    return r;
}

std::vector<QRect> rowRects(int left, int right, int centreY, int spacing, const std::vector<QSize>& sizes)
{
    std::vector<QRect> rects;
    int x = left;
    for (const QSize& size : sizes) {
        const int width = std::max(0, std::min(size.width(), right - x));
        rects.push_back(centredOn(x, centreY, QSize(width, size.height())));
        x += width + spacing;
    }
    return rects;
}

QRect initialWindowGeometry(const QRect& available, const QMargins& frame)
{
    const QSize room = available.size().shrunkBy(frame);
    const QSize size = WindowMetrics::initialSize.boundedTo(room).expandedTo(WindowMetrics::minimumSize);
    QRect geometry(QPoint(), size);
    // Centre the framed window; keep its top-left corner (and title bar) on screen.
    QRect framed = geometry.marginsAdded(frame);
    framed.moveCenter(available.center());
    framed.moveLeft(std::max(framed.left(), available.left()));
    framed.moveTop(std::max(framed.top(), available.top()));
    return framed.marginsRemoved(frame);
}
