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

using ModuleStart = void (*)();
using ModuleCreate = std::unique_ptr<SpeechEngine> (*)(SpeechEvents&, UiThread&);

}  // namespace talvoro::espeak
