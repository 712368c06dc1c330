#include "speech/sapi/SapiEngine.h"

#include <windows.h>

#include <sapi.h>
#include <sperror.h>

#include <cwchar>
#include <vector>

#include "base/AppError.h"
#include "speech/EngineErrors.h"
#include "platform/win32/MessageWindow.h"
#include "platform/win32/WinText.h"
#include "speech/sapi/ComPtr.h"
#include "speech/sapi/OutsideResources.h"

namespace talvoro {
namespace {

using sapi::ComPtr;
using sapi::CoTaskString;
using win32::throwIfFailed;

constexpr UINT kSpeechEvent = WM_APP + 2;
static_assert(sapi::kSpeakIsXml == SPF_IS_XML && sapi::kSpeakIsNotXml == SPF_IS_NOT_XML);
// The engines' table of error numbers is SAPI's.
static_assert(kErrEngineFailed == static_cast<long>(E_FAIL) &&
              kErrNotImplemented == static_cast<long>(E_NOTIMPL) &&
              kErrInvalidArgument == static_cast<long>(E_INVALIDARG) &&
              kErrVoiceNotFound == static_cast<long>(SPERR_NOT_FOUND));
constexpr ULONGLONG kStreamEvents = SPFEI(SPEI_START_INPUT_STREAM) | SPFEI(SPEI_END_INPUT_STREAM);

// Whatever an event carries in its lParam belongs to the receiver.
void clearEvent(SPEVENT& event) {
    switch (event.elParamType) {
        case SPET_LPARAM_IS_TOKEN:
        case SPET_LPARAM_IS_OBJECT:
            if (event.lParam) reinterpret_cast<IUnknown*>(event.lParam)->Release();
            break;
        case SPET_LPARAM_IS_POINTER:
        case SPET_LPARAM_IS_STRING:
            CoTaskMemFree(reinterpret_cast<void*>(event.lParam));
            break;
        default:
            break;
    }
    event = SPEVENT{};
}

ComPtr<IEnumSpObjectTokens> voiceTokens(const std::string& required, const std::string& optional) {
    ComPtr<ISpObjectTokenCategory> category;
    throwIfFailed(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                   IID_ISpObjectTokenCategory, category.putVoid()));
    throwIfFailed(category->SetId(SPCAT_VOICES, FALSE));
    const std::wstring wideRequired = win32::utf8ToWide(required);
    const std::wstring wideOptional = win32::utf8ToWide(optional);
    ComPtr<IEnumSpObjectTokens> tokens;
    throwIfFailed(category->EnumTokens(required.empty() ? nullptr : wideRequired.c_str(),
                                       optional.empty() ? nullptr : wideOptional.c_str(),
                                       tokens.put()));
    return tokens;
}

std::string tokenId(ISpObjectToken* token) {
    CoTaskString id;
    throwIfFailed(token->GetId(id.put()));
    return win32::wideToUtf8(id.get());
}

// The voice token with this id. A token is normally opened by its id; a speech service whose
// ids are not registry paths (Wine's) is searched through its voice list instead.
ComPtr<ISpObjectToken> tokenFromId(const std::string& id) {
    ComPtr<ISpObjectToken> token;
    throwIfFailed(CoCreateInstance(CLSID_SpObjectToken, nullptr, CLSCTX_ALL, IID_ISpObjectToken,
                                   token.putVoid()));
    const HRESULT opened = token->SetId(nullptr, win32::utf8ToWide(id).c_str(), FALSE);
    if (SUCCEEDED(opened)) return token;

    ComPtr<IEnumSpObjectTokens> tokens = voiceTokens("", "");
    while (tokens->Next(1, token.put(), nullptr) == S_OK)
        if (tokenId(token.get()) == id) return token;
    throw win32::hresultError(opened);
}

class SapiEngine : public SpeechEngine {
public:
    explicit SapiEngine(SpeechEvents& events)
        : events_(events),
          alive_(std::make_shared<bool>(true)),
          window_([this](UINT message, WPARAM, LPARAM) {
              if (message == kSpeechEvent) deliverEvents();
          }) {
        throwIfFailed(
            CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice_.putVoid()));
        // A speech service that cannot report its streams (Wine's, for one) still speaks; the
        // reading state then changes only by the program's own commands.
        tolerateMissing(voice_->SetInterest(kStreamEvents, kStreamEvents));
        tolerateMissing(voice_->SetNotifyWindowMessage(window_.handle(), kSpeechEvent, 0, 0));
    }

    ~SapiEngine() override { *alive_ = false; }

    VoiceCollection GetVoices(const std::string& required, const std::string& optional) override {
        ComPtr<IEnumSpObjectTokens> tokens = voiceTokens(required, optional);
        VoiceCollection voices;
        ComPtr<ISpObjectToken> token;
        while (tokens->Next(1, token.put(), nullptr) == S_OK)
            voices.push_back({tokenId(token.get())});
        return voices;
    }

    // The token's value named by the locale's language id in hex, else its default value. A
    // service that cannot read token values at all (Wine's) gives the last part of the id, which
    // there is the voice's name.
    std::string GetDescription(const VoiceToken& token, int locale) override {
        ComPtr<ISpObjectToken> object = tokenFromId(token.id);
        CoTaskString text;
        HRESULT hr = E_FAIL;
        if (locale != 0) {
            wchar_t name[16];
            std::swprintf(name, 16, L"%x", static_cast<unsigned>(LANGIDFROMLCID(locale)));
            hr = object->GetStringValue(name, text.put());
        }
        if (FAILED(hr)) hr = object->GetStringValue(nullptr, text.put());
        if (hr == E_NOTIMPL) return token.id.substr(token.id.find_last_of('\\') + 1);
        throwIfFailed(hr);
        return win32::wideToUtf8(text.get());
    }

    void SetVoice(const VoiceToken& token) override {
        ComPtr<ISpObjectToken> object = tokenFromId(token.id);
        throwIfFailed(voice_->SetVoice(object.get()));
    }

    int Rate() override {
        long rate = 0;
        throwIfFailed(voice_->GetRate(&rate));
        return static_cast<int>(rate);
    }

    void SetRate(int rate) override {
        checkRate(rate);
        throwIfFailed(voice_->SetRate(rate));
    }

    int Volume() override {
        USHORT volume = 0;
        throwIfFailed(voice_->GetVolume(&volume));
        return volume;
    }

    void SetVolume(int volume) override {
        checkVolume(volume);
        throwIfFailed(voice_->SetVolume(static_cast<USHORT>(volume)));
    }

    // The flags are SAPI's own: SVSFlagsAsync, SVSFPurgeBeforeSpeak and SVSFIsXML have the
    // values of SPF_ASYNC, SPF_PURGEBEFORESPEAK and SPF_IS_XML. What SAPI is given is the text
    // with NULs read as blanks and, in markup, nothing that would make it fetch a file or an
    // address.
    long Speak(const std::string& text, int flags) override {
        auto speakFlags = static_cast<unsigned>(flags);
        const std::wstring wide = win32::utf8ToWide(sapi::textForSpeaking(text, speakFlags));
        ULONG stream = 0;
        throwIfFailed(voice_->Speak(wide.c_str(), speakFlags, &stream));
        return static_cast<long>(stream);
    }

    void Pause() override { throwIfFailed(voice_->Pause()); }
    void Resume() override { throwIfFailed(voice_->Resume()); }

private:
    static void tolerateMissing(HRESULT hr) {
        if (FAILED(hr) && hr != E_NOTIMPL) throw win32::hresultError(hr);
    }

    // Drains the queue first, then reports: a handler may run a modal loop or end this engine.
    void deliverEvents() {
        std::vector<SPEVENTENUM> kinds;
        SPEVENT event{};
        ULONG fetched = 0;
        while (SUCCEEDED(voice_->GetEvents(1, &event, &fetched)) && fetched == 1) {
            kinds.push_back(static_cast<SPEVENTENUM>(event.eEventId));
            clearEvent(event);
        }
        SpeechEvents& events = events_;
        const std::shared_ptr<bool> alive = alive_;
        for (SPEVENTENUM kind : kinds) {
            if (!*alive) return;
            if (kind == SPEI_START_INPUT_STREAM)
                events.Voice_StartStream();
            else if (kind == SPEI_END_INPUT_STREAM)
                events.Voice_EndStream();
        }
    }

    SpeechEvents& events_;
    std::shared_ptr<bool> alive_;
    win32::MessageWindow window_;
    ComPtr<ISpVoice> voice_;  // released first, before the window its notes go to
};

}  // namespace

std::unique_ptr<SpeechEngine> createSapiEngine(SpeechEvents& events) {
    return std::make_unique<SapiEngine>(events);
}

}  // namespace talvoro
