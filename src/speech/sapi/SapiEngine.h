#pragma once
// The speech engine of the Windows edition: SAPI 5's ISpVoice.

#include <memory>

#include "speech/SpeechEngine.h"

namespace talvoro {

// Creates a SAPI voice whose stream events reach `events` on the calling thread, which must be
// the user-interface thread with COM initialised. Throws AppError (number = the HRESULT) when
// the voice cannot be created. Fits SpeechEngineFactory.
std::unique_ptr<SpeechEngine> createSapiEngine(SpeechEvents& events);

}  // namespace talvoro
