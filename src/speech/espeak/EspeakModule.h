#pragma once
// The interface of the loadable speech engine module.

#include <memory>

#include "speech/SpeechEngine.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

inline constexpr const char* kModuleFile = "libtalvoro-espeak.so";
inline constexpr const char* kStartSymbol = "talvoro_espeak_start";
inline constexpr const char* kCreateSymbol = "talvoro_espeak_create";
inline constexpr const char* kStopSymbol = "talvoro_espeak_stop";

// Starts the library's engine thread; creates an engine on it; ends that thread for good.
using ModuleStart = void (*)();
using ModuleCreate = std::unique_ptr<SpeechEngine> (*)(SpeechEvents&, UiThread&);
using ModuleStop = void (*)();

}  // namespace talvoro::espeak
