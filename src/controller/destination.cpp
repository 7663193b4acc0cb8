// The destination: the folder picker, the one-entry destination list, the
// pop-up that mirrors it and the label that shows the chosen entry.

#include "controller/main_window_controller.h"
#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/label.h"

#include <QComboBox>

namespace {

QString availabilityText(const VolumeItem& entry)
{
    return formatText(I18n::text("drive.available"), {entry.name, formatBytes(entry.freeBytes)});
}

} // namespace

void MainWindowController::refreshVolumesAction()
{
    chooseDestinationFolder();
}

void MainWindowController::chooseDestinationFolder()
{
    if (isBusy_)
        return;
    FolderRequest request;
    request.message = I18n::text("panel.destination.message");
    request.prompt = I18n::text("panel.destination.prompt");
    request.multipleSelection = false;
    request.canCreateFolders = true;
    const std::vector<std::filesystem::path> chosen = dialogs_.chooseFolders(request);
    if (chosen.empty())
        return; // cancelled: the previous destination and its access stay
    const std::filesystem::path& url = chosen.front();
    stopDestinationAccess();
    if (fileSystem_.startAccessing(url))
        scopedDestinationURL_ = url;
    volumes_ = {volumeItem(url)};
    drivePopup_->setCurrentIndex(0);
    refreshVolumes();
}

void MainWindowController::refreshVolumes()
{
    if (!volumes_.empty())
        volumes_ = {volumeItem(volumes_.front().url)};
    drivePopup_->clear();
    if (volumes_.empty()) {
        drivePopup_->addItem(I18n::text("drive.none"));
    } else {
        for (const VolumeItem& entry : volumes_)
            drivePopup_->addItem(availabilityText(entry));
    }
    updateDriveLabel();
    updateInterfaceState();
}

VolumeItem MainWindowController::volumeItem(const std::filesystem::path& url) const
{
    const VolumeValues values = fileSystem_.volumeValues(url);
    const std::string last = lastPathComponent(url);
    const QString base = displayText(last.empty() ? std::string_view(url.native()) : std::string_view(last));
    QString name = base;
    // Equal by canonical equivalence: a label and a folder name may be
    // composed differently.
    if (values.name && values.name->normalized(QString::NormalizationForm_C) != base.normalized(QString::NormalizationForm_C))
        name = base + QStringLiteral(" / ") + *values.name;
    return VolumeItem{url, name, values.availableBytes.value_or(0)};
}

void MainWindowController::updateDriveLabel()
{
    if (volumes_.empty()) {
        driveNameLabel_->setText(I18n::text("drive.none"));
        driveNameLabel_->setTextColor(AppColor::mutedText);
        return;
    }
    const int last = int(volumes_.size()) - 1;
    const int index = std::max(0, std::min(drivePopup_->currentIndex(), last));
    driveNameLabel_->setText(availabilityText(volumes_[std::size_t(index)]));
    driveNameLabel_->setTextColor(AppColor::secondaryText);
}

void MainWindowController::driveSelectionChanged()
{
    updateDriveLabel();
}

std::optional<VolumeItem> MainWindowController::selectedDestination() const
{
    const int index = drivePopup_->currentIndex();
    if (index < 0 || std::size_t(index) >= volumes_.size())
        return std::nullopt;
    return volumes_[std::size_t(index)];
}
