#pragma once
// What a scan is doing, on a terminal's standard error: one line rewritten
// in place a few times a second, with the count measured so far and the item
// being measured ("1,204 files, 3.4 GB measured · …/Downloads/Ubuntu.utm"),
// cleared when the scan ends. Off a terminal, nothing.

#include "fs/scan_tally.h"
#include "scan/candidate_scanner.h"

#include <QString>

#include <filesystem>
#include <mutex>
#include <thread>

class MeasuringLine {
public:
    MeasuringLine();
    ~MeasuringLine();
    MeasuringLine(const MeasuringLine&) = delete;
    MeasuringLine& operator=(const MeasuringLine&) = delete;

    // For scanCandidates: both empty off a terminal.
    MeasuringObserver observer();
    ScanTally* tally() { return &tally_; }

private:
    void show();

    const bool terminal_;
    ScanTally tally_;
    std::mutex mutex_;
    QString item_;
    bool ended_ = false;
    bool cleared_ = false;
    std::jthread ticker_;
};
