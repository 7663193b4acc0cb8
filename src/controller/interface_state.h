#pragma once
// What the window shows as a function of the controller's four facts: is
// work running, has a scan completed, are there candidates, is there a
// destination. Pure.

#include "model/text_table.h"
#include "ui/window_display.h"

struct InterfaceInputs {
    bool busy = false;
    bool scanned = false;
    bool hasItems = false;
    bool hasDestination = false;
};

InterfaceState interfaceState(const InterfaceInputs& inputs, I18n::Language language);
