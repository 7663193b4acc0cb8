#include "transfer/progress_text.h"

#include "model/byte_format.h"
#include "model/text_format.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

QString runProgressText(const ItemProgress& progress, const TransferPace& pace, I18n::Language language, bool paused)
{
    const std::int64_t total = progress.runItemBytes;
    const std::int64_t done =
        std::clamp<std::int64_t>(progress.verifying ? progress.verifyBytesDone : progress.copyBytesDone, 0, total);
    QStringList parts{
        formatText(I18n::text("progress.status.bytes", language), {formatBytes(done), formatBytes(total)})};
    parts << I18n::text(progress.flushing    ? "progress.status.flushing"
                        : progress.verifying ? "progress.status.verifying"
                                             : "progress.status.copying",
                        language);
    if (paused)
        return parts.join(QStringLiteral(" · "));
    if (!progress.flushing && pace.bytesPerSecond() > 0)
        parts << formatText(I18n::text("progress.status.speed", language),
                            {formatBytes(std::int64_t(pace.bytesPerSecond()))});
    if (const auto left = pace.secondsLeft())
        parts << timeLeftText(*left, language);
    return parts.join(QStringLiteral(" · "));
}

QString timeLeftText(double seconds, I18n::Language language)
{
    if (seconds < 60)
        return I18n::text("progress.status.underMinute", language);
    const auto minutes = std::int64_t(std::ceil(std::min(seconds, 1e9) / 60));
    if (minutes < 60)
        return formatText(I18n::text("progress.status.minutesLeft", language), {minutes});
    return formatText(I18n::text("progress.status.hoursLeft", language), {minutes / 60, minutes % 60});
}
