#pragma once
// The Linux speech engine: libespeak-ng behind the program's engine interface.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "speech/SpeechEngine.h"
#include "speech/espeak/EngineThread.h"
#include "speech/espeak/VoiceNames.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

class EspeakEngine : public SpeechEngine {
public:
    // Initialises libespeak-ng (data from ESPEAK_DATA_PATH when set) and selects the default
    // voice for the user's locale. Throws AppError when the engine cannot start.
    EspeakEngine(SpeechEvents& events, UiThread& ui);
    ~EspeakEngine() override;

    VoiceCollection GetVoices(const std::string& required, const std::string& optional) override;
    std::string GetDescription(const VoiceToken& token, int locale) override;
    void SetVoice(const VoiceToken& token) override;
    int Rate() override { return rate_; }
    void SetRate(int rate) override;
    int Volume() override { return volume_; }
    void SetVolume(int volume) override;
    long Speak(const std::string& text, int flags) override;
    void Pause() override;
    void Resume() override;

    int sampleRate() const { return sampleRate_; }

private:
    std::vector<VoiceEntry> listVoices();  // on the engine thread

    SpeechEvents& events_;
    UiThread& ui_;
    std::string defaultLanguage_;
    std::atomic<int> rate_{0};
    std::atomic<int> volume_{100};
    int sampleRate_ = 0;
    EngineThread thread_;  // last: it stops before the members it uses go
};

// The factory the Linux edition hands to the main window.
SpeechEngineFactory espeakEngineFactory(UiThread& ui);

}  // namespace talvoro::espeak
