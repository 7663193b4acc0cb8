// Actions whose behaviour comes with the scan, summary, destination and
// transfer parts of the controller; until then they keep the state honest.

#include "controller/main_window_controller.h"
#include "model/text_table.h"
#include "ui/label.h"

void MainWindowController::scanAction() {}

void MainWindowController::refreshVolumesAction() {}

void MainWindowController::driveSelectionChanged() {}

void MainWindowController::selectSafeAction() {}

void MainWindowController::selectNoneAction() {}

void MainWindowController::transferAction() {}

void MainWindowController::toggleCandidate(int row, bool selected)
{
    if (row < 0 || std::size_t(row) >= store_.items().size())
        return;
    store_.setSelected(std::size_t(row), selected);
    updateSummary();
}

void MainWindowController::updateSummary()
{
    updateInterfaceState();
}

void MainWindowController::updateDriveLabel()
{
    driveNameLabel_->setText(I18n::text("drive.none"));
}

void MainWindowController::refreshVolumes()
{
    updateDriveLabel();
    updateInterfaceState();
}
