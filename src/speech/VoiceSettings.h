#pragma once
// The voice, rate and volume sub-menus: the installed voices listed at start-up, and choosing a
// voice, a speaking rate or a volume. The ticks show the choice; no variable mirrors them.

#include "speech/EngineSlot.h"
#include "ui/MenuTree.h"

namespace talvoro {

class VoiceSettings {
public:
    VoiceSettings(MenuTree& menu, EngineSlot& voice);

    // The installed voices become the items mnumru(1) to mnumru(n) after the placeholder, in the
    // engine's order, the first one ticked; an engine without voices is released. Returns n.
    int listVoices();
    // With voices: the three sub-menus offered, the placeholder hidden, rate 5 and volume 100.
    void offer();

    // The choices of the sub-menus; a failure ends silently.
    void chooseVoice(int Index);
    void chooseRate(int Index);
    void chooseVolume(int Index);

private:
    MenuTree& menu_;
    EngineSlot& Voice;
};

}  // namespace talvoro
