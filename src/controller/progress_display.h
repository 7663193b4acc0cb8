#pragma once
// The progress strip's values for each moment of a run. A transfer's bar
// goes by the run's time estimate through all its phases, in
// `transferBarSteps` steps.
// Pure.

#include "model/text_table.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"
#include "ui/window_display.h"

#include <cstdint>

inline constexpr int transferBarSteps = 10000;

// Before anything ran (the strip is hidden then).
ProgressDisplay initialProgress(I18n::Language language);
// A scan of the described folders: an indeterminate bar, and once something
// was measured, how many files and how much space so far.
ProgressDisplay scanProgress(const QString& sourceDescription, I18n::Language language);
ProgressDisplay scanProgress(const QString& sourceDescription, std::int64_t files, std::int64_t bytes,
                             I18n::Language language);

// A transfer of `count` items about to start.
ProgressDisplay transferStartProgress(std::int64_t count, I18n::Language language);
// Item `index` of `total` (1-based) starting: its texts (the bar's value is
// the caller's to keep).
ProgressDisplay transferItemStarted(std::int64_t index, std::int64_t total, const QString& name,
                                    I18n::Language language);
// Where the run stands: the item, how many bytes of how many, the phase,
// the speed and the time left (not while paused), and the bar.
ProgressDisplay transferItemProgress(const ItemProgress& item, const TransferPace& pace, I18n::Language language,
                                     bool paused = false);
