#include "speech/espeak/EspeakEngine.h"

#include <espeak-ng/speak_lib.h>

#include <cstdlib>

#include "app/AppError.h"
#include "platform/UiThread.h"

namespace talvoro::espeak {
namespace {

// Nothing in a text may make the engine open a file or address.
int refuseEveryUri(int, const char*, const char*) { return 1; }

AppError engineError(const std::string& what) {
    return AppError(-2147467259, "语音引擎错误：" + what);  // E_FAIL, as the system engine has it
}

std::vector<std::pair<int, std::string>> languagesOf(const espeak_VOICE& v) {
    std::vector<std::pair<int, std::string>> out;
    // A sequence of (priority byte, language, NUL), ended by a zero priority byte.
    for (const char* p = v.languages; p && *p;) {
        const int priority = static_cast<unsigned char>(*p++);
        std::string lang(p);
        p += lang.size() + 1;
        out.emplace_back(priority, std::move(lang));
    }
    return out;
}

}  // namespace

EspeakEngine::EspeakEngine(SpeechEvents& events, UiThread& ui)
    : events_(events), ui_(ui), defaultLanguage_(defaultLanguage(userLocale())) {
    sampleRate_ = thread_.call([this] {
        const char* dataPath = std::getenv("ESPEAK_DATA_PATH");
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0,
                                           dataPath && *dataPath ? dataPath : nullptr,
                                           espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) throw engineError("无法初始化 espeak-ng");
        espeak_SetUriCallback(refuseEveryUri);
        const auto voices = listVoices();
        if (!voices.empty()) espeak_SetVoiceByName(voices.front().identifier.c_str());
        return rate;
    });
}

EspeakEngine::~EspeakEngine() {
    thread_.call([] { espeak_Terminate(); });
}

std::vector<VoiceEntry> EspeakEngine::listVoices() {
    std::vector<VoiceEntry> out;
    const espeak_VOICE** voices = espeak_ListVoices(nullptr);
    for (int i = 0; voices && voices[i]; ++i) {
        const espeak_VOICE& v = *voices[i];
        if (!v.name || !v.identifier) continue;
        out.push_back({v.identifier, v.name, languagesOf(v)});
    }
    return withDefaultFirst(std::move(out), defaultLanguage_);
}

VoiceCollection EspeakEngine::GetVoices(const std::string&, const std::string&) {
    VoiceCollection tokens;
    for (const VoiceEntry& v : thread_.call([this] { return listVoices(); }))
        tokens.push_back({v.identifier});
    return tokens;
}

std::string EspeakEngine::GetDescription(const VoiceToken& token, int) {
    const auto voices = thread_.call([this] { return listVoices(); });
    for (const VoiceEntry& v : voices)
        if (v.identifier == token.id) return displayName(v.name);
    throw AppError(-2147200966, "找不到语音：" + token.id);  // SPERR_NOT_FOUND
}

void EspeakEngine::SetVoice(const VoiceToken& token) {
    const bool ok = thread_.call(
        [&] { return espeak_SetVoiceByName(token.id.c_str()) == EE_OK; });
    if (!ok) throw AppError(-2147200966, "找不到语音：" + token.id);
}

void EspeakEngine::SetRate(int rate) {
    if (rate < kRateMin || rate > kRateMax) throw AppError(-2147024809, "参数不正确");
    rate_ = rate;
}

void EspeakEngine::SetVolume(int volume) {
    if (volume < kVolumeMin || volume > kVolumeMax) throw AppError(-2147024809, "参数不正确");
    volume_ = volume;
}

long EspeakEngine::Speak(const std::string&, int) { throw engineError("尚不能朗读"); }
void EspeakEngine::Pause() { throw engineError("尚不能暂停"); }
void EspeakEngine::Resume() { throw engineError("尚不能继续"); }

SpeechEngineFactory espeakEngineFactory(UiThread& ui) {
    return [&ui](SpeechEvents& events) -> std::unique_ptr<SpeechEngine> {
        return std::make_unique<EspeakEngine>(events, ui);
    };
}

}  // namespace talvoro::espeak
