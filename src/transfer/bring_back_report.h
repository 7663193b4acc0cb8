#pragma once
// What a bring-back says at its end: how many items came back, and for each
// where it came from and where it is now, or why it did not come back.

#include "transfer/bring_back.h"

#include <QString>
#include <QStringList>

#include <vector>

struct BringBackReport {
    QString title;
    QStringList lines;    // one an item, in order
    QStringList failures; // the lines of the items that did not come back
    bool allBack = false;
};

BringBackReport makeBringBackReport(const std::vector<BringBackItem>& items, const BringBackResult& result);
