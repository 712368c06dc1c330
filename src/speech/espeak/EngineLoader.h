#pragma once
// The Linux edition's speech engine as the program loads it: the voices are read while the
// window system starts, and the engine module (libespeak-ng and the sound libraries) loads in
// the background once the window is up, so that none of it delays the basket.

#include "speech/SpeechEngine.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

// Starts reading the installed voices.
void readVoicesEarly();

// Creates the engine: one that answers voices, rate and volume at once and speaks through the
// module's engine. Throws AppError when the engine's data or the module is missing; a module that
// cannot be loaded later fails the first Speak.
SpeechEngineFactory engineFactory(UiThread& ui);

// Ends the module's engine thread, once the engine has been released: called at shut-down, while
// the user-interface thread it posts to still stands. Does nothing when the module never loaded.
void stopEngine();

}  // namespace talvoro::espeak
