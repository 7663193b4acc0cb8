#include "transfer/transfer_report.h"

#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"

TransferReport makeTransferReport(const TransferResult& result)
{
    TransferReport report;
    report.title = I18n::text(result.failures.isEmpty() ? "alert.done" : "alert.partial");
    report.message = formatText(I18n::text("alert.destination"), {displayText(result.destination)});
    // Only what happened: not when every item failed or the run stopped first.
    if (result.trashed > 0) {
        report.message += I18n::text("alert.trashed");
        // The space comes back only when the Trash is emptied: say so.
        report.message += formatText(I18n::text("alert.trashedSize"), {formatBytes(result.trashedBytes)});
    }
    if (!result.failures.isEmpty()) {
        QString lines = QStringList(result.failures.mid(0, reportedFailureLines)).join(u'\n');
        if (result.failures.size() > reportedFailureLines)
            lines += QStringLiteral("\n...");
        report.message += formatText(I18n::text("alert.failures"), {lines});
    }
    return report;
}
