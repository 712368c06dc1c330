#pragma once
// The engine's installed voices, read from its data folder. Reading them needs no call into the
// engine library, so the catalogue can be asked from any thread while the engine speaks.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "speech/espeak/VoiceNames.h"

namespace talvoro::espeak {

// Every voice file under `dataPath`/lang and `dataPath`/voices (variants and external voices
// left out), sorted by language and name.
std::vector<VoiceEntry> readVoiceFiles(const std::string& dataPath);

class VoiceCatalog {
public:
    VoiceCatalog(std::string dataPath, std::string defaultLanguage);

    // The voices, the best match for the user's language first; read again from disk only when
    // a voice folder has changed since the last reading.
    std::vector<VoiceEntry> voices();
    std::optional<VoiceEntry> find(const std::string& identifier);

private:
    std::vector<std::pair<std::string, long long>> folderStamps() const;

    const std::string dataPath_;
    const std::string defaultLanguage_;
    std::mutex mutex_;
    std::vector<VoiceEntry> voices_;
    std::vector<std::pair<std::string, long long>> stamps_;
};

// Which voice answers a request of the system's markup ("Language=804;Gender=Female",
// "Language=zh-CN", "Name=..."): its identifier, with "+f3" for a female variant; a request of
// a gender alone applies to `current`. nullopt when nothing installed matches.
std::optional<std::string> matchVoice(const std::vector<VoiceEntry>& voices,
                                      const std::string& required, const std::string& optional,
                                      const std::string& current);

// The engine's language code for a Windows language id in hex ("804" → "cmn").
std::string languageForLangId(const std::string& hexId);

}  // namespace talvoro::espeak
