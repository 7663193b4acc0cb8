#include "controller/progress_display.h"

#include "model/text_format.h"
#include "scan/measured_text.h"
#include "transfer/progress_text.h"

namespace {

QString countText(std::int64_t index, std::int64_t total)
{
    return QString::number(index) + QStringLiteral(" / ") + QString::number(total);
}

} // namespace

ProgressDisplay initialProgress(I18n::Language language)
{
    return ProgressDisplay{I18n::text("progress.status.scanning", language),
                           I18n::text("progress.status.zero", language), 0, 0};
}

ProgressDisplay scanProgress(const QString& sourceDescription, I18n::Language language)
{
    return ProgressDisplay{formatText(I18n::text("progress.path.scanning", language), {sourceDescription}),
                           I18n::text("progress.status.scanning", language), 0, 0};
}

ProgressDisplay scanProgress(const QString& sourceDescription, std::int64_t files, std::int64_t bytes,
                             I18n::Language language)
{
    ProgressDisplay progress = scanProgress(sourceDescription, language);
    if (files > 0)
        progress.statusText += QStringLiteral(" · ") + measuredText(files, bytes, language);
    return progress;
}

ProgressDisplay transferStartProgress(std::int64_t count, I18n::Language language)
{
    return ProgressDisplay{I18n::text("progress.path.transferring", language), countText(0, count), transferBarSteps,
                           0};
}

ProgressDisplay transferItemStarted(std::int64_t index, std::int64_t total, const QString& name,
                                    I18n::Language language)
{
    return ProgressDisplay{formatText(I18n::text("progress.path.transferringItem", language), {name}),
                           countText(index, total), transferBarSteps, 0};
}

ProgressDisplay transferItemProgress(const ItemProgress& item, const TransferPace& pace, I18n::Language language,
                                     bool paused)
{
    ProgressDisplay progress = transferItemStarted(item.index, item.total, item.name, language);
    progress.value = int(pace.runFraction() * transferBarSteps);
    // Between the copies and their read-back no item is in hand: the drive is.
    if (item.checkingDrive) {
        progress.pathText = I18n::text("progress.path.checkingDrive", language);
        progress.statusText = countText(item.index, item.total);
        return progress;
    }
    // Every copy is put on the drive at once: no one item is in hand.
    if (item.flushing)
        progress.pathText = I18n::text("progress.path.flushing", language);
    progress.statusText += QStringLiteral(" · ") + runProgressText(item, pace, language, paused);
    return progress;
}
