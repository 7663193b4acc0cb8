// The summary strip, the tab counts and the two selection buttons.

#include "controller/candidate_table_model.h"
#include "controller/main_window_controller.h"
#include "controller/selection_summary.h"
#include "model/byte_format.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"

#include <QLabel>

namespace {

// The badge's text lives in its first label child.
void setBadgeText(RiskBadgeView* badge, const QString& text)
{
    if (auto* label = badge->findChild<QLabel*>())
        label->setText(text);
}

} // namespace

void MainWindowController::updateSummary()
{
    const SelectionSummary s = summarize(store_.items());
    selectedCountLabel_->setText(formatText(I18n::text("summary.selectedCount"), {s.selectedCount, s.allCount}));
    selectedSizeLabel_->setText(
        formatText(I18n::text("summary.selectedSize"), {formatBytes(s.selectedBytes), formatBytes(s.totalBytes)}));
    setBadgeText(selectedCautionBadge_, formatText(I18n::text("summary.caution"), {s.selectedCautionCount}));
    setBadgeText(selectedAppBadge_, formatText(I18n::text("summary.apps"), {s.selectedAppCount}));
    tabAllLabel_->setText(formatText(I18n::text("tab.all"), {s.allCount}));
    tabSafeLabel_->setText(formatText(I18n::text("tab.safe"), {s.safeCount}));
    tabCautionLabel_->setText(formatText(I18n::text("tab.caution"), {s.cautionCount}));
    tabAppLabel_->setText(formatText(I18n::text("tab.apps"), {s.appCount}));
    progressStatusLabel_->setText(formatText(I18n::text("progress.status.found"), {s.allCount, formatBytes(s.totalBytes)}));
    layoutViews(); // the texts' widths changed
    updateInterfaceState();
}

void MainWindowController::selectSafeAction()
{
    for (std::size_t i = 0; i < store_.items().size(); ++i)
        store_.setSelected(i, store_.items()[i].risk() == RiskLevel::safe);
    tableModel_->reloadData();
    updateSummary();
}

void MainWindowController::selectNoneAction()
{
    for (std::size_t i = 0; i < store_.items().size(); ++i)
        store_.setSelected(i, false);
    tableModel_->reloadData();
    updateSummary();
}

void MainWindowController::toggleCandidate(int row, bool selected)
{
    if (row < 0 || std::size_t(row) >= store_.items().size())
        return;
    store_.setSelected(std::size_t(row), selected);
    tableModel_->rowChanged(row); // the one row repaints; no reload
    updateSummary();
}
