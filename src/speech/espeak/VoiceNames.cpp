#include "speech/espeak/VoiceNames.h"

#include <algorithm>
#include <cstdlib>

namespace talvoro::espeak {

std::string displayName(const std::string& engineName) {
    std::string s = engineName;
    std::replace(s.begin(), s.end(), '_', ' ');
    for (const std::string redundant : {", latin as English", " (latin as English)"}) {
        const auto at = s.find(redundant);
        if (at != std::string::npos) s.erase(at, redundant.size());
    }
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return engineName;
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string defaultLanguage(const std::string& locale) {
    std::string lang = locale.substr(0, locale.find_first_of(".@"));
    std::transform(lang.begin(), lang.end(), lang.begin(), [](unsigned char c) {
        return c == '-' ? '_' : static_cast<char>(std::tolower(c));
    });
    if (lang.rfind("zh", 0) == 0) return "cmn";
    if (lang == "en_us") return "en-us";
    return "en";
}

std::string userLocale() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return "C";
}

std::vector<VoiceEntry> withDefaultFirst(std::vector<VoiceEntry> voices,
                                         const std::string& language) {
    auto best = voices.end();
    int bestPriority = 0;
    for (auto it = voices.begin(); it != voices.end(); ++it)
        for (const auto& [priority, lang] : it->languages)
            if (lang == language && (best == voices.end() || priority < bestPriority))
                best = it, bestPriority = priority;
    if (best != voices.end()) std::rotate(voices.begin(), best, best + 1);
    return voices;
}

}  // namespace talvoro::espeak
