// Actions whose behaviour comes with the scan, summary, destination and
// transfer parts of the controller; until then they keep the state honest.

#include "controller/main_window_controller.h"
#include "model/text_table.h"
#include "ui/label.h"

void MainWindowController::refreshVolumesAction() {}

void MainWindowController::driveSelectionChanged() {}

void MainWindowController::transferAction() {}

void MainWindowController::updateDriveLabel()
{
    driveNameLabel_->setText(I18n::text("drive.none"));
}

void MainWindowController::refreshVolumes()
{
    updateDriveLabel();
    updateInterfaceState();
}
