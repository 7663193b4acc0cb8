#include "scan/measured_text.h"

#include "model/byte_format.h"
#include "model/text_format.h"

#include <QLocale>

QString measuredText(std::int64_t files, std::int64_t bytes, I18n::Language language)
{
    // Grouped the same way in both languages, like the byte sizes.
    const QString count = QLocale(QLocale::English, QLocale::UnitedStates).toString(qlonglong(files));
    return formatText(I18n::text("progress.status.measured", language), {count, formatBytes(bytes)});
}
