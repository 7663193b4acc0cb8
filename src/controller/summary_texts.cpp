#include "controller/summary_texts.h"

#include "model/byte_format.h"
#include "model/text_format.h"

SummaryTexts summaryTexts(const SelectionSummary& s, I18n::Language language)
{
    const auto text = [language](const char* key) { return I18n::text(key, language); };
    SummaryTexts texts;
    texts.selectedCount = formatText(text("summary.selectedCount"), {s.selectedCount, s.allCount});
    texts.selectedSize =
        formatText(text("summary.selectedSize"), {formatBytes(s.selectedBytes), formatBytes(s.totalBytes)});
    texts.cautionBadge = formatText(text("summary.caution"), {s.selectedCautionCount});
    texts.appBadge = formatText(text("summary.apps"), {s.selectedAppCount});
    texts.tabAll = formatText(text("tab.all"), {s.allCount});
    texts.tabSafe = formatText(text("tab.safe"), {s.safeCount});
    texts.tabCaution = formatText(text("tab.caution"), {s.cautionCount});
    texts.tabApps = formatText(text("tab.apps"), {s.appCount});
    return texts;
}

QString foundText(const SelectionSummary& s, I18n::Language language)
{
    return formatText(I18n::text("progress.status.found", language), {s.allCount, formatBytes(s.totalBytes)});
}
