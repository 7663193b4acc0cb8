// Where every control of the window goes, from the window's size and
// what is shown: the rectangles come from window_layout.h, the sizes of
// texts from their fonts.

#include "ui/main_window_view.h"

#include "model/text_table.h"
#include "ui/candidate_table_view.h"
#include "ui/disk_bar_view.h"
#include "ui/drive_icon_view.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/separator_view.h"
#include "ui/styled_button.h"
#include "ui/tick_box.h"
#include "ui/window_layout.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QProgressBar>

namespace {

QSize naturalSize(const QLabel* label)
{
    const QFontMetrics metrics(label->font());
    return QSize(metrics.horizontalAdvance(label->text()) + 2, metrics.height());
}

} // namespace

void MainWindowView::layoutViews()
{
    const bool chinese = I18n::isChinese();
    const QSize size = this->size();
    const BandRects bands = bandRects(size, !progressStrip_->isHidden(), !summaryStrip_->isHidden());
    toolbar_->setGeometry(bands.toolbar);
    progressStrip_->setGeometry(bands.progress.isEmpty() ? QRect(0, bands.toolbar.bottom() + 1, size.width(), 0)
                                                         : bands.progress);
    summaryStrip_->setGeometry(bands.summary.isEmpty() ? QRect(0, bands.main.top(), size.width(), 0) : bands.summary);
    mainContent_->setGeometry(bands.main);
    bottomBar_->setGeometry(bands.bottom);
    const int width = size.width();

    // Toolbar.
    const ToolbarRects toolbar =
        toolbarRects(width, chinese, naturalSize(titleLabel_), naturalSize(subtitleLabel_), naturalSize(chevronLabel_));
    toolbarLine_->setGeometry(toolbar.hairline);
    driveIcon_->setGeometry(toolbar.driveIcon);
    titleLabel_->setGeometry(toolbar.title);
    subtitleLabel_->setGeometry(toolbar.subtitle);
    driveSelector_->setGeometry(toolbar.selector);
    driveStatusDot_->setGeometry(toolbar.statusDot);
    driveNameLabel_->setGeometry(toolbar.nameLabel);
    chevronLabel_->setGeometry(toolbar.chevron);
    drivePopup_->setGeometry(toolbar.popup);
    refreshButton_->setGeometry(toolbar.refreshButton);
    movedItemsButton_->setGeometry(toolbar.movedItemsButton);
    scanButton_->setGeometry(toolbar.scanButton);

    // Progress strip: measured only while shown, so the fonts of hidden
    // texts are not loaded before the first paint.
    if (!progressStrip_->isHidden()) {
        const auto shownSize = [](const StyledButton* button) {
            return button->isHidden() ? QSize() : button->sizeHint();
        };
        const ProgressRects progress =
            progressRects(width, naturalSize(progressPathLabel_), naturalSize(progressStatusLabel_),
                          shownSize(pauseButton_), shownSize(stopButton_));
        pauseButton_->setGeometry(progress.pauseButton);
        stopButton_->setGeometry(progress.stopButton);
        progressLine_->setGeometry(progress.hairline);
        progressPathLabel_->setGeometry(progress.pathLabel);
        progressStatusLabel_->setGeometry(progress.statusLabel);
        progressIndicator_->setGeometry(progress.indicator);
    }

    // Summary strip.
    if (!summaryStrip_->isHidden()) {
        const SummaryRects summary = summaryRects(width,
                                                  {naturalSize(selectedCountLabel_), naturalSize(selectedSizeLabel_),
                                                   selectedCautionBadge_->sizeHint(), selectedAppBadge_->sizeHint()},
                                                  {naturalSize(tabAllLabel_), naturalSize(tabSafeLabel_),
                                                   naturalSize(tabCautionLabel_), naturalSize(tabAppLabel_)});
        summaryTopLine_->setGeometry(summary.topLine);
        summaryBottomLine_->setGeometry(summary.bottomLine);
        selectedCountLabel_->setGeometry(summary.summaryRow[0]);
        selectedSizeLabel_->setGeometry(summary.summaryRow[1]);
        selectedCautionBadge_->setGeometry(summary.summaryRow[2]);
        selectedAppBadge_->setGeometry(summary.summaryRow[3]);
        const QRect disk = diskBarRect(width, summary.summaryRow[3], diskBar_->sizeHint());
        diskBar_->setGeometry(disk);
        diskBar_->setVisible(!diskBar_->display().hidden && !disk.isEmpty());
        tabAllLabel_->setGeometry(summary.tabs[0]);
        tabSafeLabel_->setGeometry(summary.tabs[1]);
        tabCautionLabel_->setGeometry(summary.tabs[2]);
        tabAppLabel_->setGeometry(summary.tabs[3]);
    }

    // Main content: the empty state and the table both fill it.
    emptyState_->setGeometry(0, 0, bands.main.width(), bands.main.height());
    tableView_->setGeometry(0, 0, bands.main.width(), bands.main.height());

    // Bottom bar.
    const BottomBarRects bottom = bottomBarRects(width, chinese, moveToTrashCheckbox_->sizeHint());
    bottomLine_->setGeometry(bottom.hairline);
    selectSafeButton_->setGeometry(bottom.selectSafe);
    selectNoneButton_->setGeometry(bottom.selectNone);
    moveToTrashCheckbox_->setGeometry(bottom.checkbox);
    transferButton_->setGeometry(bottom.transfer);
}
