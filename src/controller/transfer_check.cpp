#include "controller/transfer_check.h"

#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_format.h"

std::variant<TransferAlert, TransferConfirmation> checkTransfer(const std::optional<VolumeItem>& destination,
                                                                const std::vector<Candidate>& items, bool moveToTrash,
                                                                I18n::Language language, bool sameDisk,
                                                                std::int64_t alreadyOnDrive)
{
    const auto text = [language](const char* key) { return I18n::text(key, language); };
    if (!destination)
        return TransferAlert{text("alert.noDrive.title"), text("alert.noDrive.message")};
    TransferConfirmation confirmation;
    std::int64_t selectedBytes = 0;
    std::int64_t cautionWarnings = 0;
    std::int64_t appWarnings = 0;
    for (const Candidate& item : items) {
        if (!item.selected())
            continue;
        confirmation.selection.push_back(item);
        selectedBytes += item.sizeBytes();
        cautionWarnings += item.risk() != RiskLevel::safe;
        appWarnings += QString::fromStdString(pathExtension(item.sourceURL())).toLower() == QLatin1String("app");
    }
    if (confirmation.selection.empty())
        return TransferAlert{text("alert.noSelection.title"), text("alert.noSelection.message")};
    // A free space of 0 means "unknown" and lets the transfer find out.
    const std::int64_t toWrite = selectedBytes - alreadyOnDrive;
    if (destination->freeBytes >= 1 && destination->freeBytes < toWrite) {
        return TransferAlert{text("alert.notEnoughSpace.title"),
                             formatText(text("alert.notEnoughSpace.message"),
                                        {formatBytes(toWrite), formatBytes(destination->freeBytes)})};
    }
    confirmation.message = text(moveToTrash ? "alert.confirm.trash" : "alert.confirm.copy");
    confirmation.message += text("alert.confirm.local");
    confirmation.message +=
        formatText(text("alert.confirm.summary"), {displayText(destination->url), formatBytes(selectedBytes)});
    if (sameDisk) {
        confirmation.message += text("alert.confirm.sameDisk");
        confirmation.cancelByDefault = true;
    }
    if (cautionWarnings > 0)
        confirmation.message += formatText(text("alert.confirm.caution"), {cautionWarnings});
    if (appWarnings > 0)
        confirmation.message += formatText(text("alert.confirm.apps"), {appWarnings});
    confirmation.title = formatText(text("alert.confirm.title"), {std::int64_t(confirmation.selection.size())});
    confirmation.acceptTitle = text("alert.start");
    confirmation.cancelTitle = text("alert.cancel");
    return confirmation;
}
