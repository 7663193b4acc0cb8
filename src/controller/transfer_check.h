#pragma once
// What the transfer button leads to: an alert that stops it (no
// destination, nothing ticked, not enough free space) or the confirmation
// to ask. Pure.

#include "model/candidate.h"
#include "model/text_table.h"
#include "model/volume_item.h"
#include "transfer/transfer_sequence.h"

#include <QString>

#include <optional>
#include <vector>

struct TransferAlert {
    QString title;
    QString message;
};

struct TransferConfirmation {
    QString title;
    QString message;
    QString acceptTitle;
    QString cancelTitle;
    bool cancelByDefault = false; // moving would free nothing: Enter must not start it
};

// Refused before anything is looked at: no destination, or nothing ticked.
std::optional<TransferAlert> transferRefusal(const std::optional<VolumeItem>& destination,
                                             const std::vector<Candidate>& ticked, I18n::Language language);

// The destination's free space cannot hold what the plan writes.
TransferAlert spaceRefusal(const TransferPlan& plan, I18n::Language language);

TransferConfirmation transferConfirmation(const TransferPlan& plan, I18n::Language language);
