#pragma once
// The Linux speech engine: libespeak-ng behind the program's engine interface.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "speech/SpeechEngine.h"
#include "speech/espeak/EspeakLibrary.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

class EspeakEngine : public SpeechEngine {
public:
    // Attaches to libespeak-ng (data from ESPEAK_DATA_PATH when set), which speaks with the
    // default voice for the user's locale. Throws AppError when the engine cannot start.
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

private:
    std::vector<VoiceEntry> listVoices();

    EspeakLibrary& library_;
    SpeechEvents& events_;
    UiThread& ui_;
    // The voices as the last listing found them: descriptions are read from here, since each
    // listing reads every voice file of the engine again.
    std::vector<VoiceEntry> listed_;
    std::atomic<int> rate_{0};
    std::atomic<int> volume_{100};
};

// The factory the Linux edition hands to the main window.
SpeechEngineFactory espeakEngineFactory(UiThread& ui);

}  // namespace talvoro::espeak
