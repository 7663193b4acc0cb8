#pragma once
// Short descriptions, in the user's language, of the failures people meet
// when copying to a drive or moving to the Trash; other errors fall back to
// the C library's text. Also the codes of Loftwell's own failures, kept
// apart from errno values. Usable from any thread.

#include "model/text_table.h"

#include <QString>

namespace OwnError {
inline constexpr int copyIntoItself = 100001;   // the destination lies inside the item
inline constexpr int verificationFailed = 100002; // the copy is not the source, or the source changed
inline constexpr int specialFile = 100003;      // a socket or device that cannot be recreated
inline constexpr int trashUnavailable = 100004; // no Trash that can take the item without copying
} // namespace OwnError

QString errorDescription(int code, I18n::Language language);
QString errorDescription(int code);
