#include "controller/interface_state.h"

#include "ui/app_color.h"

InterfaceState interfaceState(const InterfaceInputs& in, I18n::Language language)
{
    const bool busy = in.busy;
    const bool blocked = busy || in.bringingBack;
    const bool showResults = in.scanned && in.hasItems;
    const auto text = [language](const char* key) { return I18n::text(key, language); };

    InterfaceState state;
    state.statusDotColor = in.hasDestination ? AppColor::emerald : AppColor::mutedText;
    state.scanTitle = text(busy ? "button.scanStop" : in.scanned ? "button.scanAgain" : "button.scanStart");
    // While busy the button is disabled, so its disabled look shows over the red.
    state.scanFillColor = busy ? AppColor::red : AppColor::emerald;
    state.scanEnabled = !blocked;
    state.chooseDestinationEnabled = !blocked;
    state.movedItemsEnabled = !busy;
    state.drivePopupEnabled = in.hasDestination && !blocked;
    state.selectSafeEnabled = !blocked && in.hasItems;
    state.selectNoneEnabled = !blocked && in.hasItems;
    state.trashCheckboxEnabled = !blocked;
    // Enabled with no destination or no ticks too: the transfer answers those with alerts.
    state.transferEnabled = !blocked;
    state.progressStripHidden = !busy;
    state.stopHidden = !busy;
    state.pauseHidden = !busy || !in.transferring || in.stopping;
    state.pauseTitle = text(in.paused ? "button.resume" : "button.pause");
    state.summaryStripHidden = !showResults || busy;
    state.tableHidden = !showResults || busy;
    state.emptyStateHidden = showResults || busy;
    if (!showResults) {
        state.emptyState = EmptyStateTexts{text(in.scanned ? "empty.noItems.title" : "empty.ready.title"),
                                           text(in.scanned ? "empty.noItems.subtitle" : "empty.ready.subtitle"), true};
    }
    return state;
}
