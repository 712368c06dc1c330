// The entry points of the speech engine module, which the Linux edition loads in the background
// so that the engine's libraries never delay the basket's start.

#include "speech/espeak/EspeakEngine.h"
#include "speech/espeak/EspeakModule.h"

extern "C" {

__attribute__((visibility("default"))) void talvoro_espeak_start() {
    talvoro::espeak::Synthesizer::instance();
}

__attribute__((visibility("default"))) void talvoro_espeak_stop() {
    talvoro::espeak::Synthesizer::instance().stop();
}

__attribute__((visibility("default"))) std::unique_ptr<talvoro::SpeechEngine> talvoro_espeak_create(
    talvoro::SpeechEvents& events, talvoro::UiThread& ui) {
    return std::make_unique<talvoro::espeak::EspeakEngine>(events, ui);
}
}
