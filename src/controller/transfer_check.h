#pragma once
// What the transfer button leads to, before anything runs: an alert that
// stops it (no destination, nothing ticked, not enough free space) or the
// confirmation to ask, with the ticked items in list order. Pure.

#include "model/candidate.h"
#include "model/text_table.h"
#include "model/volume_item.h"

#include <QString>

#include <optional>
#include <variant>
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
    std::vector<Candidate> selection;
};

// `sameDisk`: a ticked item is on the destination's own file system.
// `alreadyOnDrive`: bytes of ticked items whose earlier copies the run
// takes, which need no space.
std::variant<TransferAlert, TransferConfirmation> checkTransfer(const std::optional<VolumeItem>& destination,
                                                                const std::vector<Candidate>& items, bool moveToTrash,
                                                                I18n::Language language, bool sameDisk = false,
                                                                std::int64_t alreadyOnDrive = 0);
