#pragma once
// How the engine's voices are named and ordered for people.

#include <string>
#include <vector>

namespace talvoro::espeak {

struct VoiceEntry {
    std::string identifier;  // the voice file, e.g. "sit/cmn"
    std::string name;        // the engine's name, e.g. "Chinese (Mandarin, latin as English)"
    // The languages it speaks, each with its priority (lower is a better match).
    std::vector<std::pair<int, std::string>> languages;
};

// A name readable by people: underscores become blanks, the engine's default reading of Latin
// letters is not mentioned, blanks at the ends are dropped.
std::string displayName(const std::string& engineName);

// The language of the voice that speaks by default for the user's locale (a POSIX locale name
// such as "zh_CN.UTF-8"): Chinese Mandarin for Chinese, American English for en_US, British
// English otherwise.
std::string defaultLanguage(const std::string& locale);

// The locale that decides the user's language: LC_ALL, then LC_MESSAGES, then LANG.
std::string userLocale();

// Puts the voice that best matches `language` first and keeps the engine's order for the rest.
std::vector<VoiceEntry> withDefaultFirst(std::vector<VoiceEntry> voices,
                                         const std::string& language);

}  // namespace talvoro::espeak
