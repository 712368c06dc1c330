#pragma once
// The speech engine as the program uses it: voices, rate, volume, speaking with flags, pause and
// resume, and the stream events. Every failing operation throws AppError.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvoro {

// Speak flags.
inline constexpr int kSvsfDefault = 0;
inline constexpr int kSvsfAsync = 1;
inline constexpr int kSvsfPurgeBeforeSpeak = 2;
inline constexpr int kSvsfIsXml = 8;

inline constexpr int kRateMin = -10;
inline constexpr int kRateMax = 10;
inline constexpr int kVolumeMin = 0;
inline constexpr int kVolumeMax = 100;

// One installed voice, as the engine's collection lists it.
struct VoiceToken {
    std::string id;
};

using VoiceCollection = std::vector<VoiceToken>;

// A text handed to the engine: shared, and never changed while the engine holds it.
using SpeechText = std::shared_ptr<const std::string>;

// Receives the engine's events on the user-interface thread.
class SpeechEvents {
public:
    virtual ~SpeechEvents() = default;
    virtual void Voice_StartStream() = 0;
    virtual void Voice_EndStream() = 0;
};

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    virtual VoiceCollection GetVoices(const std::string& required, const std::string& optional) = 0;
    virtual std::string GetDescription(const VoiceToken& token, int locale) = 0;
    virtual void SetVoice(const VoiceToken& token) = 0;

    virtual int Rate() = 0;
    virtual void SetRate(int rate) = 0;
    virtual int Volume() = 0;
    virtual void SetVolume(int volume) = 0;

    virtual long Speak(const std::string& text, int flags) = 0;
    // Speak with a shared text (never null): an engine that reads as it speaks keeps it rather
    // than a copy, so that a long text starts sounding as soon as a short one.
    virtual long speakShared(const SpeechText& text, int flags) { return Speak(*text, flags); }
    virtual void Pause() = 0;
    virtual void Resume() = 0;
};

// Creates the engine whose events go to `events`; throws AppError when it cannot be created.
using SpeechEngineFactory = std::function<std::unique_ptr<SpeechEngine>(SpeechEvents& events)>;

}  // namespace talvoro
