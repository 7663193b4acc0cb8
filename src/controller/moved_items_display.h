#pragma once
// What the Moved Items window lists, in the user's language: each run as
// "date · drive · items, size", each item with its original place, how its
// move ended and how it can come back now. Pure.

#include "model/text_table.h"
#include "transfer/history_now.h"
#include "ui/window_display.h"

MovedItemsDisplay movedItemsDisplay(const HistoryNow& history, I18n::Language language);
