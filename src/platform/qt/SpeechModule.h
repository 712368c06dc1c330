#pragma once
// The Linux edition's speech engine: the voices are read while the window system starts, and the
// engine module (libespeak-ng and the sound libraries) loads in the background once the window
// is up.

#include "speech/SpeechEngine.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::qt {

// Starts reading the installed voices.
void loadSpeechModuleEarly();

// Creates the engine: one that answers voices, rate and volume at once and speaks through the
// module's engine. Throws AppError when the engine's data or the module is missing; a module that
// cannot be loaded later fails the first Speak.
SpeechEngineFactory speechModuleFactory(UiThread& ui);

}  // namespace talvoro::qt
