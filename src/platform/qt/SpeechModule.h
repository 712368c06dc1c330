#pragma once
// Loads the speech engine module on a background thread while the window system starts.

#include "speech/SpeechEngine.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::qt {

// Starts loading the module and the engine library it carries.
void loadSpeechModuleEarly();

// Creates the engine from the module, waiting for it if it is still loading. The factory throws
// AppError when the module or the engine cannot be had.
SpeechEngineFactory speechModuleFactory(UiThread& ui);

}  // namespace talvoro::qt
