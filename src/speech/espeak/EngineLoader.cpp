#include "speech/espeak/EngineLoader.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "base/AppError.h"
#include "platform/UiThread.h"
#include "platform/posix/LoadableModule.h"
#include "speech/EngineErrors.h"
#include "speech/espeak/EspeakModule.h"
#include "speech/espeak/LoadWatcher.h"
#include "speech/espeak/VoiceCatalog.h"

#ifndef TALVORO_ESPEAK_DATA
#define TALVORO_ESPEAK_DATA "/usr/lib/x86_64-linux-gnu/espeak-ng-data"
#endif

namespace talvoro::espeak {
namespace {

namespace fs = std::filesystem;

// The voices, read from the engine's data folder by the program itself: the window can list
// them while the engine library is still to load.
struct Listing {
    std::vector<VoiceEntry> voices;
    std::optional<AppError> error;
};

Listing readListing() {
    Listing out;
    const char* env = std::getenv("ESPEAK_DATA_PATH");
    const std::string data = env && *env ? env : TALVORO_ESPEAK_DATA;
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(data) / "phontab", ec)) {
        out.error = AppError(kErrEngineFailed, "语音引擎错误：找不到 espeak-ng 的数据");
        return out;
    }
    VoiceCatalog catalog(data, defaultLanguage(userLocale()));
    out.voices = catalog.voices();
    return out;
}

std::shared_future<Listing>& listing() {
    static std::shared_future<Listing> f = std::async(std::launch::async, readListing).share();
    return f;
}

struct Loaded {
    ModuleCreate create = nullptr;
    ModuleStop stop = nullptr;
    std::string error;
};

Loaded load() {
    Loaded out;
    const posix::LoadableModule module = posix::openModule(kModuleFile);
    if (!module.handle) {
        out.error = module.error;
        return out;
    }
    const auto start = reinterpret_cast<ModuleStart>(module.symbol(kStartSymbol));
    out.create = reinterpret_cast<ModuleCreate>(module.symbol(kCreateSymbol));
    out.stop = reinterpret_cast<ModuleStop>(module.symbol(kStopSymbol));
    if (!start || !out.create || !out.stop) {
        out = {};
        out.error = std::string(kModuleFile) + ": not a speech engine module";
        return out;
    }
    start();
    return out;
}

// The module loads once the window is up (or when speech is first wanted, if sooner).
std::atomic<bool> moduleWanted{false};

std::shared_future<Loaded>& module() {
    static std::shared_future<Loaded> loaded = [] {
        moduleWanted = true;
        return std::async(std::launch::async, load).share();
    }();
    return loaded;
}

// The engine as the window sees it from the start: voices, rate and volume are answered here;
// speaking waits for the engine in the module, which it then hands everything to.
class DeferredEngine : public SpeechEngine {
public:
    DeferredEngine(SpeechEvents& events, UiThread& ui, std::vector<VoiceEntry> voices)
        : events_(events),
          ui_(ui),
          voices_(std::move(voices)),
          alive_(std::make_shared<bool>(true)) {
        // Once the window is on screen, the module loads in the background and the engine is
        // created, so that the first reading finds it ready. Loading sooner would take the
        // processor from the window system while it puts the basket up.
        std::weak_ptr<bool> alive = alive_;
        ui_.postOnceShown([this, alive] {
            if (alive.expired()) return;
            watcher_ = std::make_unique<LoadWatcher<Loaded>>(module(), ui_, [this, alive] {
                if (alive.expired()) return;
                try {
                    engine();
                } catch (const AppError&) {
                    // Reported by the first reading that needs the engine.
                }
            });
        });
    }

    VoiceCollection GetVoices(const std::string& required, const std::string& optional) override {
        if (real_) return real_->GetVoices(required, optional);
        VoiceCollection tokens;
        for (const auto& v : voices_) tokens.push_back({v.identifier});
        return tokens;
    }

    std::string GetDescription(const VoiceToken& token, int locale) override {
        if (real_) return real_->GetDescription(token, locale);
        return displayName(find(token.id).name);
    }

    void SetVoice(const VoiceToken& token) override {
        if (real_) return real_->SetVoice(token);
        find(token.id);
        voice_ = token.id;
    }

    int Rate() override { return real_ ? real_->Rate() : rate_; }
    void SetRate(int rate) override {
        if (real_) return real_->SetRate(rate);
        checkRate(rate);
        rate_ = rate;
    }
    int Volume() override { return real_ ? real_->Volume() : volume_; }
    void SetVolume(int volume) override {
        if (real_) return real_->SetVolume(volume);
        checkVolume(volume);
        volume_ = volume;
    }

    long Speak(const std::string& text, int flags) override { return engine().Speak(text, flags); }
    long speakShared(const SpeechText& text, int flags) override {
        return engine().speakShared(text, flags);
    }
    void Pause() override { engine().Pause(); }
    void Resume() override { engine().Resume(); }

private:
    const VoiceEntry& find(const std::string& id) const {
        for (const auto& v : voices_)
            if (v.identifier == id) return v;
        throw AppError(kErrVoiceNotFound, "找不到语音：" + id);
    }

    // The module's engine, created on first need with what was chosen meanwhile.
    SpeechEngine& engine() {
        if (real_) return *real_;
        const Loaded& loaded = module().get();
        if (!loaded.create)
            throw AppError(kErrCannotCreateEngine, "无法创建语音引擎：" + loaded.error);
        std::unique_ptr<SpeechEngine> engine = loaded.create(events_, ui_);
        if (voice_) engine->SetVoice({*voice_});
        engine->SetRate(rate_);
        engine->SetVolume(volume_);
        real_ = std::move(engine);
        return *real_;
    }

    SpeechEvents& events_;
    UiThread& ui_;
    std::vector<VoiceEntry> voices_;
    std::optional<std::string> voice_;
    int rate_ = 0;
    int volume_ = 100;
    std::unique_ptr<SpeechEngine> real_;
    std::shared_ptr<bool> alive_;
    // Destroyed first: its thread is gone before anything it could post to.
    std::unique_ptr<LoadWatcher<Loaded>> watcher_;
};

}  // namespace

void readVoicesEarly() {
    listing();
}

SpeechEngineFactory engineFactory(UiThread& ui) {
    return [&ui](SpeechEvents& events) -> std::unique_ptr<SpeechEngine> {
        const Listing& l = listing().get();
        if (l.error) throw *l.error;
        if (!posix::findModule(kModuleFile))
            throw AppError(kErrCannotCreateEngine,
                           std::string("无法创建语音引擎：找不到 ") + kModuleFile);
        return std::make_unique<DeferredEngine>(events, ui, l.voices);
    };
}

// A module still loading at shut-down is waited for when the process ends; one that has loaded
// has its thread joined now.
void stopEngine() {
    if (!moduleWanted) return;
    if (module().wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    if (const Loaded& loaded = module().get(); loaded.stop) loaded.stop();
}

}  // namespace talvoro::espeak
