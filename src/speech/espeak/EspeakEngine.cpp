#include "speech/espeak/EspeakEngine.h"

#include "base/AppError.h"
#include "speech/EngineErrors.h"
#include "platform/UiThread.h"

namespace talvoro::espeak {
EspeakEngine::EspeakEngine(SpeechEvents& events, UiThread& ui)
    : synth_(Synthesizer::instance()), events_(events), ui_(ui) {
    synth_.cataloged();
    // The library starts once the user-interface thread is free again, i.e. after the window
    // has come up.
    Synthesizer& synth = synth_;
    ui_.post([&synth] { synth.startEngine(); });
    voice_ = synth_.defaultVoice();
    synth_.rate = 0;
    synth_.volume = 100;
}

EspeakEngine::~EspeakEngine() {
    synth_.purgeAndWait();
    while (pauses_ > 0) Resume();
}

VoiceCollection EspeakEngine::GetVoices(const std::string&, const std::string&) {
    listed_ = synth_.catalog().voices();
    VoiceCollection tokens;
    for (const VoiceEntry& v : listed_) tokens.push_back({v.identifier});
    return tokens;
}

std::optional<VoiceEntry> EspeakEngine::find(const std::string& identifier) {
    for (const VoiceEntry& v : listed_)
        if (v.identifier == identifier) return v;
    return synth_.catalog().find(identifier);
}

std::string EspeakEngine::GetDescription(const VoiceToken& token, int) {
    if (auto v = find(token.id)) return displayName(v->name);
    throw AppError(kErrVoiceNotFound, "找不到语音：" + token.id);
}

// Later readings speak with the chosen voice; the one under way goes on as it began.
void EspeakEngine::SetVoice(const VoiceToken& token) {
    if (!find(token.id)) throw AppError(kErrVoiceNotFound, "找不到语音：" + token.id);
    voice_ = token.id;
}

void EspeakEngine::SetRate(int rate) {
    checkRate(rate);
    synth_.rate = rate;
}

void EspeakEngine::SetVolume(int volume) {
    checkVolume(volume);
    synth_.volume = volume;
}

long EspeakEngine::Speak(const std::string& text, int flags) {
    return speakShared(std::make_shared<const std::string>(text), flags);
}

// The text is kept, not copied, and read as it is spoken.
long EspeakEngine::speakShared(const SpeechText& text, int flags) {
    return synth_.speak({text, flags, voice_, synth_.rate, &events_, &ui_});
}

void EspeakEngine::Pause() {
    ++pauses_;
    synth_.pause();
}

// A resume with nothing paused does nothing.
void EspeakEngine::Resume() {
    if (pauses_ == 0) return;
    --pauses_;
    synth_.resume();
}

}  // namespace talvoro::espeak
