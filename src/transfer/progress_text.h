#pragma once
// The words for how far a transfer is, shared by the window's progress
// strip and the command line's line:
//   "1.2 GB of 41.9 GB · copying · 85 MB/s · about 4 min left"
// The bytes are those of the current phase over the whole run (copying,
// then reading back), the phase is named ("copying", "writing to the
// drive" while the copies are put on it, "verifying"), and a paused run
// shows only where it stands: no speed, no time left. Pure.

#include "model/text_table.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"

#include <QString>

QString runProgressText(const ItemProgress& progress, const TransferPace& pace, I18n::Language language,
                        bool paused = false);

// Rounded up to the minute, so that it moves seldom; "less than a minute"
// at the end.
QString timeLeftText(double seconds, I18n::Language language);
