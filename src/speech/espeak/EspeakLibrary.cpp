#include "speech/espeak/EspeakLibrary.h"

#include <espeak-ng/speak_lib.h>

#include <cstdlib>
#include <filesystem>

#include "app/AppError.h"

namespace talvoro::espeak {
namespace {

// Nothing in a text may make the engine open a file or address.
int refuseEveryUri(int, const char*, const char*) { return 1; }

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

EspeakLibrary& EspeakLibrary::instance() {
    static EspeakLibrary library;
    return library;
}

void startEspeakEarly() { EspeakLibrary::instance(); }

EspeakLibrary::EspeakLibrary() : defaultLanguage_(defaultLanguage(userLocale())) {
    std::packaged_task<void()> init([this] {
        const char* dataPath = std::getenv("ESPEAK_DATA_PATH");
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0,
                                           dataPath && *dataPath ? dataPath : nullptr,
                                           espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) throw AppError(-2147467259, "语音引擎错误：无法初始化 espeak-ng");
        sampleRate_ = rate;
        const char* path = nullptr;
        espeak_Info(&path);
        if (path) dataPath_ = path;
        espeak_SetUriCallback(refuseEveryUri);
        const auto& listed = voices();
        if (!listed.empty()) espeak_SetVoiceByName(listed.front().identifier.c_str());
    });
    initialised_ = init.get_future().share();
    thread_.post([task = std::make_shared<std::packaged_task<void()>>(std::move(init))] {
        (*task)();
    });
}

EspeakLibrary::~EspeakLibrary() {
    thread_.call([this] {
        if (sampleRate_ > 0) espeak_Terminate();
    });
}

void EspeakLibrary::ready() { initialised_.get(); }

std::vector<std::pair<std::string, long long>> EspeakLibrary::folderStamps() const {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, long long>> stamps;
    std::error_code ec;
    for (const char* sub : {"voices", "lang"}) {
        const fs::path root = fs::path(dataPath_) / sub;
        if (!fs::is_directory(root, ec)) continue;
        auto stamp = [&](const fs::path& p) {
            const auto t = fs::last_write_time(p, ec);
            stamps.emplace_back(p.string(), ec ? 0 : t.time_since_epoch().count());
        };
        stamp(root);
        for (auto it = fs::recursive_directory_iterator(root, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec)) stamp(it->path());
    }
    return stamps;
}

const std::vector<VoiceEntry>& EspeakLibrary::voices() {
    auto stamps = folderStamps();
    if (!stamps_.empty() && stamps == stamps_) return voices_;
    std::vector<VoiceEntry> out;
    const espeak_VOICE** listed = espeak_ListVoices(nullptr);
    for (int i = 0; listed && listed[i]; ++i) {
        const espeak_VOICE& v = *listed[i];
        if (!v.name || !v.identifier) continue;
        out.push_back({v.identifier, v.name, languagesOf(v)});
    }
    voices_ = withDefaultFirst(std::move(out), defaultLanguage_);
    stamps_ = std::move(stamps);
    return voices_;
}

}  // namespace talvoro::espeak
