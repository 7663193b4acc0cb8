#include "controller/destination_display.h"

#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "ui/app_color.h"

namespace {

QString availabilityText(const VolumeItem& entry, I18n::Language language)
{
    return formatText(I18n::text("drive.available", language), {entry.name, formatBytes(entry.freeBytes)});
}

} // namespace

DestinationDisplay destinationDisplay(const std::vector<VolumeItem>& volumes, int currentIndex, I18n::Language language,
                                      bool onSourceDisk)
{
    DestinationDisplay display;
    if (volumes.empty()) {
        display.entries = {I18n::text("drive.none", language)};
        display.currentIndex = 0;
        display.label = I18n::text("drive.none", language);
        display.labelColor = AppColor::mutedText;
        return display;
    }
    for (const VolumeItem& entry : volumes)
        display.entries << availabilityText(entry, language);
    display.currentIndex = std::clamp(currentIndex, 0, int(volumes.size()) - 1);
    display.label = display.entries[display.currentIndex];
    display.labelColor = AppColor::secondaryText;
    if (onSourceDisk) {
        display.label += I18n::text("drive.sameDisk", language);
        display.entries[display.currentIndex] = display.label;
        display.labelColor = AppColor::red;
    }
    // Where the label is too long, the folder's name gives way first, then
    // its free space; never the warning.
    const QString& name = volumes[std::size_t(display.currentIndex)].name;
    if (display.label.startsWith(name))
        display.labelTails << display.label.mid(name.size());
    if (onSourceDisk)
        display.labelTails << I18n::text("drive.sameDisk", language);
    return display;
}

VolumeItem volumeItem(const std::filesystem::path& path, const VolumeValues& values)
{
    const std::string last = lastPathComponent(path);
    const QString base = displayText(last.empty() ? std::string_view(path.native()) : std::string_view(last));
    QString name = base;
    // Equal by canonical equivalence: a label and a folder name may be
    // composed differently.
    if (values.name &&
        values.name->normalized(QString::NormalizationForm_C) != base.normalized(QString::NormalizationForm_C))
        name = base + QStringLiteral(" / ") + *values.name;
    return VolumeItem{path, name, values.availableBytes.value_or(0)};
}
