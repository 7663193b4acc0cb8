#include "transfer/progress_text.h"

#include "model/byte_format.h"
#include "model/text_format.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

QString runProgressText(const ItemProgress& progress, const TransferPace& pace, I18n::Language language)
{
    const std::int64_t total = progress.runItemBytes;
    const std::int64_t done =
        std::clamp<std::int64_t>(progress.verifying ? progress.runBytesDone - total : progress.runBytesDone, 0, total);
    QStringList parts{
        formatText(I18n::text("progress.status.bytes", language), {formatBytes(done), formatBytes(total)})};
    if (progress.verifying)
        parts << I18n::text("progress.status.verifying", language);
    else if (pace.bytesPerSecond() > 0)
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
