#pragma once
// The texts of the summary strip and the tabs, and the progress strip's
// count of what a scan found, from the selection's numbers. Pure.

#include "controller/selection_summary.h"
#include "model/text_table.h"
#include "ui/window_display.h"

SummaryTexts summaryTexts(const SelectionSummary& summary, I18n::Language language);
QString foundText(const SelectionSummary& summary, I18n::Language language);
