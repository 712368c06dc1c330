#pragma once
// Where the basket stands, the one thing the program keeps from one run to the next: read from
// the settings store at start-up, written back at shut-down.

#include "platform/SettingsStore.h"
#include "platform/WindowManager.h"

namespace talvoro {

class Placement {
public:
    Placement(WindowManager& windows, SettingsStore& settings)
        : windows_(windows), settings_(settings) {}

    // Puts the basket at the stored place, 0 for a missing or unreadable value. A place wholly
    // off every screen is brought into the nearest screen's work area.
    void restore();
    // Writes the basket's place, top then left, each write on its own; failures pass silently.
    void save();

private:
    void bringOntoScreen();

    WindowManager& windows_;
    SettingsStore& settings_;
};

}  // namespace talvoro
