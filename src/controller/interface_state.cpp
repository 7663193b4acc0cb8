// The window as a function of the controller's state: which controls are
// enabled, which bands and views are visible, the scan button's title and
// colours, and the empty state's texts.

#include "controller/main_window_controller.h"
#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTableView>

void MainWindowController::updateInterfaceState()
{
    const bool busy = isBusy_;
    const bool scanned = didScan_;
    const bool hasItems = !store_.items().empty();
    const bool hasDestination = !volumes_.empty();
    const bool showResults = scanned && hasItems;

    driveStatusDot_->setFillColor(hasDestination ? AppColor::emerald : AppColor::mutedText);
    scanButton_->setText(I18n::text(busy ? "button.scanStop" : scanned ? "button.scanAgain" : "button.scanStart"));
    scanButton_->setFillColor(busy ? AppColor::red : AppColor::emerald);
    scanButton_->setTitleColor(AppColor::white);
    scanButton_->setEnabled(!busy);
    refreshButton_->setEnabled(!busy);
    drivePopup_->setEnabled(hasDestination && !busy);
    selectSafeButton_->setEnabled(!busy && hasItems);
    selectNoneButton_->setEnabled(!busy && hasItems);
    moveToTrashCheckbox_->setEnabled(!busy);
    transferButton_->setEnabled(!busy);
    transferButton_->setFillColor(AppColor::emerald);
    transferButton_->setTitleColor(AppColor::white);

    const bool bandsChanged = progressStrip_->isHidden() != !busy || summaryStrip_->isHidden() != (!showResults || busy);
    progressStrip_->setHidden(!busy);
    summaryStrip_->setHidden(!showResults || busy);
    tableView_->setHidden(!showResults || busy);
    emptyState_->setHidden(showResults || busy);
    mainContent_->setFillColor(AppColor::white);

    if (!showResults) {
        emptyState_->titleLabel()->setText(I18n::text(scanned ? "empty.noItems.title" : "empty.ready.title"));
        emptyState_->subtitleLabel()->setText(I18n::text(scanned ? "empty.noItems.subtitle" : "empty.ready.subtitle"));
        emptyState_->icon()->setActive(true);
        emptyState_->layoutContents();
    }
    if (busy) {
        progressIndicator_->setRange(0, 0);
        progressStatusLabel_->setText(I18n::text("progress.status.scanning"));
    }
    // A strip shown or hidden moves the bands below it.
    if (bandsChanged)
        layoutViews();
}
