#pragma once
// The report shown after a transfer: a title saying whether everything
// completed, the folder written (only when it holds a copy), the Trash
// sentence when at least one original went there, and the items that did
// not end as asked, grouped by where each stands: copied and checked with
// its original kept, copied but not checked, not copied. At most eight
// item lines in all ("..." where a group has more).
// Pure; used by the window and the command line alike.

#include "transfer/transfer_engine.h"

#include <QString>

struct TransferReport {
    QString title;
    QString message;
};

inline constexpr int reportedFailureLines = 8;

TransferReport makeTransferReport(const TransferResult& result);

// How many items ended in each state, for a notification: "2 moved, 1 not copied";
// on a drive that gave back what it was not given, that alone.
QString itemStatesText(const TransferResult& result);
