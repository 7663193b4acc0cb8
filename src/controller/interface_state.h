#pragma once
// What the window shows as a function of the controller's facts: is work
// running (a transfer, paused), has a scan completed, are there candidates,
// is there a destination. Pure.

#include "model/text_table.h"
#include "ui/window_display.h"

struct InterfaceInputs {
    bool busy = false;
    bool scanned = false;
    bool hasItems = false;
    bool hasDestination = false;
    bool transferring = false; // the work running is a transfer, not a scan
    bool paused = false;
    bool stopping = false;     // a stop was asked for, and the work has not ended yet
    bool bringingBack = false; // items come back in the Moved Items window: nothing else starts
};

InterfaceState interfaceState(const InterfaceInputs& inputs, I18n::Language language);
