#pragma once
// Every byte count shown to the user: decimal units (1 KB = 1000 bytes), only
// KB, MB and GB (a terabyte shows as thousands of GB), 0 fraction digits for
// KB, 1 for MB and 2 for GB, rounded half to even on the exact value, trailing
// zero digits dropped. Grouping and decimal separator follow the locale.
// Pure; usable from any thread.

#include "model/text_table.h"

#include <QLocale>
#include <QString>

#include <cstdint>

// With an explicit locale and language (tests, and callers that already hold them).
QString formatBytes(std::int64_t bytes, const QLocale& locale, I18n::Language language);

// With the user's locale and the process's language.
QString formatBytes(std::int64_t bytes);
