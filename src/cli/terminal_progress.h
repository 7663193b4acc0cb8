#pragma once
// The transfer's progress on a terminal: one line rewritten in place,
//   "2 / 3 Ubuntu.utm  1.2 GB of 41.9 GB  85 MB/s"
// with "verifying" instead of the speed while the copy is read back.
// Called from the transfer worker only.

#include "transfer/transfer_engine.h"

#include "model/text_table.h"

#include <QString>

#include <chrono>
#include <cstdio>

// The line itself, without terminal control: the current item's bytes in
// this phase against its length, and the speed of this phase.
QString progressLine(const ItemProgress& item, double bytesPerSecond, I18n::Language language);

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
    bool verifying_ = false;
    std::chrono::steady_clock::time_point phaseStart_;
};
