#pragma once
// The one place where an error of the file-system layer becomes text: short
// descriptions, in the user's language, of the failures people meet when
// copying to a drive or moving to the Trash. Other system errors fall back
// to the C library's text. Usable from any thread.

#include "model/text_table.h"

#include <QString>

#include <system_error>

QString errorDescription(std::error_code code, I18n::Language language);
QString errorDescription(std::error_code code);

// A failure of the last step, the move of a verified copy's original to the
// Trash: the copy is complete and kept, which the user must know.
QString trashStepFailure(std::error_code code, I18n::Language language);
QString trashStepFailure(std::error_code code);
