#pragma once
// The report shown after a transfer: a title saying whether everything
// completed, the folder written, the Trash sentence when at least one
// original went there, and at most eight failure lines ("..." when there are more).
// Pure; used by the window and the command line alike.

#include "transfer/transfer_engine.h"

#include <QString>

struct TransferReport {
    QString title;
    QString message;
};

inline constexpr int reportedFailureLines = 8;

TransferReport makeTransferReport(const TransferResult& result);
