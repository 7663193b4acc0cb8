#pragma once
// What the main window shows, as plain values: the controller decides them,
// the window's view applies each in one call. Nothing here reads state.

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The empty state's texts and the look of its picture.
struct EmptyStateTexts {
    QString title;
    QString subtitle;
    bool iconActive = true;
    bool operator==(const EmptyStateTexts&) const = default;
};

// Which controls are enabled, which bands are visible, and the colours that
// follow from the state (the others never change: the view sets them once).
struct InterfaceState {
    QColor statusDotColor;
    QString scanTitle;
    QColor scanFillColor;
    bool scanEnabled = true;
    bool chooseDestinationEnabled = true;
    bool movedItemsEnabled = true;
    bool drivePopupEnabled = false;
    bool selectSafeEnabled = false;
    bool selectNoneEnabled = false;
    bool trashCheckboxEnabled = true;
    bool transferEnabled = true;
    bool progressStripHidden = true;
    // The running job's controls in the progress strip.
    bool stopHidden = true;
    bool pauseHidden = true;
    QString pauseTitle;
    bool summaryStripHidden = true;
    bool tableHidden = true;
    bool emptyStateHidden = false;
    // Left as they are when absent (results are showing).
    std::optional<EmptyStateTexts> emptyState;
    bool operator==(const InterfaceState&) const = default;
};

// The summary strip and the tabs.
struct SummaryTexts {
    QString selectedCount;
    QString selectedSize;
    QString cautionBadge;
    QString appBadge;
    QString tabAll;
    QString tabSafe;
    QString tabCaution;
    QString tabApps;
    bool operator==(const SummaryTexts&) const = default;
};

// The progress strip. A maximum of 0 makes the bar indeterminate (moving).
struct ProgressDisplay {
    QString pathText;
    QString statusText;
    int maximum = 0;
    int value = 0;
    bool operator==(const ProgressDisplay&) const = default;
};

// The bar of the disk that holds the scanned folders, in the summary strip:
// the shares of the disk in use and of what the ticked items would free
// (part of the use), and the line beside it.
struct DiskBarDisplay {
    bool hidden = true;
    double usedFraction = 0;
    double freesFraction = 0;
    QString line;
    bool operator==(const DiskBarDisplay&) const = default;
};

// The destination selector: the pop-up's entries, which one is chosen, and
// the label and colour the selector shows for it.
struct DestinationDisplay {
    QStringList entries;
    int currentIndex = 0;
    QString label;
    QColor labelColor;
    QStringList labelTails; // ends of the label that stay whole, longest first (label.h)
    bool operator==(const DestinationDisplay&) const = default;
};

// The Moved Items window: each run recorded on this computer, newest first,
// and its items.
struct MovedItemRow {
    QString original; // its original place
    QString state;    // how its move ended
    QString way;      // how it can come back now, or why not
    bool ready = false;
    bool operator==(const MovedItemRow&) const = default;
};

struct MovedRunRow {
    QString title; // date, drive, number of items and size
    QString note;  // the drive its items wait for, where they do
    std::vector<MovedItemRow> items;
    bool operator==(const MovedRunRow&) const = default;
};

struct MovedItemsDisplay {
    std::vector<MovedRunRow> runs;
    QString empty;  // shown where there is no run
    QString notice; // a history file set aside, said once
    bool anyReady = false;
    bool operator==(const MovedItemsDisplay&) const = default;
};
