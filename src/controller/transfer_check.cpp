#include "controller/transfer_check.h"

#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"

std::optional<TransferAlert> transferRefusal(const std::optional<VolumeItem>& destination,
                                             const std::vector<Candidate>& ticked, I18n::Language language)
{
    const auto text = [language](const char* key) { return I18n::text(key, language); };
    if (!destination)
        return TransferAlert{text("alert.noDrive.title"), text("alert.noDrive.message")};
    if (ticked.empty())
        return TransferAlert{text("alert.noSelection.title"), text("alert.noSelection.message")};
    return std::nullopt;
}

TransferAlert spaceRefusal(const TransferPlan& plan, I18n::Language language)
{
    return TransferAlert{I18n::text("alert.notEnoughSpace.title", language),
                         formatText(I18n::text("alert.notEnoughSpace.message", language),
                                    {formatBytes(plan.toWrite()), formatBytes(plan.freeBytes)})};
}

TransferConfirmation transferConfirmation(const TransferPlan& plan, I18n::Language language)
{
    const auto text = [language](const char* key) { return I18n::text(key, language); };
    TransferConfirmation confirmation;
    std::int64_t cautionWarnings = 0;
    std::int64_t appWarnings = 0;
    for (const Candidate& item : plan.items) {
        cautionWarnings += item.risk() != RiskLevel::safe;
        appWarnings += QString::fromStdString(pathExtension(item.sourceURL())).toLower() == QLatin1String("app");
    }
    confirmation.message = text(plan.moveToTrash ? "alert.confirm.trash" : "alert.confirm.copy");
    confirmation.message += text("alert.confirm.local");
    confirmation.message +=
        formatText(text("alert.confirm.summary"), {displayText(plan.to), formatBytes(plan.selectedBytes)});
    // Earlier copies taken are read back, not written again: say how much is left to write.
    if (plan.earlierCount > 0)
        confirmation.message +=
            formatText(text("alert.confirm.earlier"),
                       {plan.earlierCount, std::int64_t(plan.items.size()), formatBytes(plan.toWrite())});
    if (plan.sameDisk) {
        confirmation.message += text("alert.confirm.sameDisk");
        confirmation.cancelByDefault = true;
    }
    if (cautionWarnings > 0)
        confirmation.message += formatText(text("alert.confirm.caution"), {cautionWarnings});
    if (appWarnings > 0)
        confirmation.message += formatText(text("alert.confirm.apps"), {appWarnings});
    confirmation.title = formatText(text("alert.confirm.title"), {std::int64_t(plan.items.size())});
    confirmation.acceptTitle = text("alert.start");
    confirmation.cancelTitle = text("alert.cancel");
    return confirmation;
}
