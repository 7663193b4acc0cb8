#pragma once
// The words for how far a transfer is, shared by the window's progress
// strip and the command line's line:
//   "1.2 GB of 41.9 GB · 85 MB/s · about 4 min left"
// The bytes are those of the current phase over the whole run (copying,
// then, when originals go to the Trash, reading back), and "verifying"
// takes the speed's place while the copies are read back. Pure.

#include "model/text_table.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"

#include <QString>

QString runProgressText(const ItemProgress& progress, const TransferPace& pace, I18n::Language language);

// Rounded up to the minute, so that it moves seldom; "less than a minute"
// at the end.
QString timeLeftText(double seconds, I18n::Language language);
