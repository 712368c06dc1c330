#pragma once
// The Linux speech engine: libespeak-ng behind the program's engine interface.

#include <optional>
#include <string>
#include <vector>

#include "speech/SpeechEngine.h"
#include "speech/espeak/Synthesizer.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

class EspeakEngine : public SpeechEngine {
public:
    // Attaches to the process's synthesiser (data from ESPEAK_DATA_PATH when set), which speaks
    // with the default voice for the user's locale. Throws AppError when the engine cannot start.
    EspeakEngine(SpeechEvents& events, UiThread& ui);
    ~EspeakEngine() override;

    VoiceCollection GetVoices(const std::string& required, const std::string& optional) override;
    std::string GetDescription(const VoiceToken& token, int locale) override;
    void SetVoice(const VoiceToken& token) override;
    int Rate() override { return synth_.rate; }
    void SetRate(int rate) override;
    int Volume() override { return synth_.volume; }
    void SetVolume(int volume) override;
    long Speak(const std::string& text, int flags) override;
    long speakShared(const SpeechText& text, int flags) override;
    void Pause() override;
    void Resume() override;

private:
    std::optional<VoiceEntry> find(const std::string& identifier);

    Synthesizer& synth_;
    // The collection the last GetVoices returned: descriptions are looked up there.
    std::vector<VoiceEntry> listed_;
    SpeechEvents& events_;
    UiThread& ui_;
    std::string voice_;
    int pauses_ = 0;  // pauses of this engine not yet resumed
};

}  // namespace talvoro::espeak
