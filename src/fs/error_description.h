#pragma once
// The one place where an error of the file-system layer becomes text: short
// descriptions, in the user's language, of every failure the transfer can
// meet. Every errno has words of its own or reads as a general input/output
// error with its number; the system's own (English) texts never reach the
// user. Usable from any thread.

#include "model/text_table.h"

#include <QString>

#include <system_error>

struct FsError;

QString errorDescription(std::error_code code, I18n::Language language);
QString errorDescription(std::error_code code);

// The description of a whole error: its place inside the item, when it has
// one, then the reason ("a:b.txt: the destination does not allow this name").
QString describeError(const FsError& error, I18n::Language language);
QString describeError(const FsError& error);

// A failure of the last step, the move of a verified copy's original to the
// Trash: the copy is complete and kept, which the user must know.
QString trashStepFailure(std::error_code code, I18n::Language language);
QString trashStepFailure(std::error_code code);
