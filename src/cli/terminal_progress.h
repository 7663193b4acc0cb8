#pragma once
// The transfer's progress on a terminal: one line rewritten in place,
//   "2 / 3 Ubuntu.utm  1.2 GB of 41.9 GB · 85 MB/s · about 4 min left"
// in the same words as the window's progress strip.
// Called from the transfer worker only.

#include "model/text_table.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_pace.h"

#include <QString>

#include <cstdio>

// The line itself, without terminal control.
QString progressLine(const ItemProgress& item, const TransferPace& pace, I18n::Language language);

class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* terminal) : terminal_(terminal) {}

    void startItem(std::int64_t index, std::int64_t total, const QString& name);
    void update(const ItemProgress& item);
    // Clears the line, so that the report starts on a clean one.
    void finish();

private:
    void show(const QString& line);

    std::FILE* terminal_;
    TransferPace pace_;
};
