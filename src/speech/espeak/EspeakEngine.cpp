#include "speech/espeak/EspeakEngine.h"

#include <espeak-ng/speak_lib.h>

#include "app/AppError.h"
#include "platform/UiThread.h"

namespace talvoro::espeak {
namespace {

AppError engineError(const std::string& what) {
    return AppError(-2147467259, "语音引擎错误：" + what);  // E_FAIL, as the system engine has it
}

}  // namespace

EspeakEngine::EspeakEngine(SpeechEvents& events, UiThread& ui)
    : library_(EspeakLibrary::instance()), events_(events), ui_(ui) {
    library_.ready();
}

EspeakEngine::~EspeakEngine() = default;

std::vector<VoiceEntry> EspeakEngine::listVoices() {
    return library_.thread().call([this] { return library_.voices(); });
}

VoiceCollection EspeakEngine::GetVoices(const std::string&, const std::string&) {
    listed_ = listVoices();
    VoiceCollection tokens;
    for (const VoiceEntry& v : listed_) tokens.push_back({v.identifier});
    return tokens;
}

std::string EspeakEngine::GetDescription(const VoiceToken& token, int) {
    if (listed_.empty()) listed_ = listVoices();
    for (const VoiceEntry& v : listed_)
        if (v.identifier == token.id) return displayName(v.name);
    throw AppError(-2147200966, "找不到语音：" + token.id);  // SPERR_NOT_FOUND
}

void EspeakEngine::SetVoice(const VoiceToken& token) {
    const bool ok = library_.thread().call(
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
