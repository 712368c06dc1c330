#include "speech/espeak/VoiceCatalog.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace talvoro::espeak {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    const auto a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// The "name" and "language" lines of one voice file; the rest is the engine's business.
std::optional<VoiceEntry> readVoiceFile(const fs::path& file, const std::string& identifier) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);

    VoiceEntry v;
    v.identifier = identifier;
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const auto comment = line.find("//"); comment != std::string::npos) line.erase(comment);
        std::size_t a = 0;
        while (a < line.size() && isBlank(line[a])) ++a;
        std::size_t b = a;
        while (b < line.size() && !isBlank(line[b])) ++b;
        const std::string key = line.substr(a, b - a);
        if (key == "name") {
            v.name = trim(line.substr(b));
        } else if (key == "language") {
            std::istringstream words(line.substr(b));
            std::string code;
            int priority = 5;
            words >> code;
            if (!(words >> priority)) priority = 5;
            if (!code.empty()) v.languages.emplace_back(priority, lower(code));
        }
    }
    if (v.name.empty() || v.languages.empty()) return std::nullopt;
    return v;
}

// Windows primary and full language ids and the engine's codes.
const std::map<unsigned, std::string>& langIds() {
    static const std::map<unsigned, std::string> ids = {
        {0x804, "cmn"},   {0x404, "cmn"},   {0x1004, "cmn"}, {0xc04, "yue"},   {0x1404, "yue"},
        {0x409, "en-us"}, {0x809, "en-gb"}, {0x407, "de"},   {0x40c, "fr-fr"}, {0x410, "it"},
        {0x411, "ja"},    {0x412, "ko"},    {0x419, "ru"},   {0x40a, "es"},    {0xc0a, "es"},
        {0x416, "pt-br"}, {0x816, "pt"},    {0x413, "nl"},   {0x41d, "sv"},    {0x406, "da"},
        {0x414, "nb"},    {0x40b, "fi"},    {0x415, "pl"},   {0x405, "cs"},    {0x40e, "hu"},
        {0x408, "el"},    {0x41f, "tr"},    {0x40d, "he"},   {0x401, "ar"},    {0x439, "hi"},
        {0x42a, "vi"},    {0x41e, "th"},    {0x421, "id"},   {0x43e, "ms"},    {0x422, "uk"},
    };
    return ids;
}

const std::map<unsigned, std::string>& primaryLangIds() {
    static const std::map<unsigned, std::string> ids = {
        {0x04, "cmn"}, {0x09, "en"}, {0x07, "de"}, {0x0c, "fr"}, {0x10, "it"}, {0x11, "ja"},
        {0x12, "ko"},  {0x19, "ru"}, {0x0a, "es"}, {0x16, "pt"}, {0x13, "nl"}, {0x1d, "sv"},
        {0x06, "da"},  {0x14, "nb"}, {0x0b, "fi"}, {0x15, "pl"}, {0x05, "cs"}, {0x0e, "hu"},
        {0x08, "el"},  {0x1f, "tr"}, {0x0d, "he"}, {0x01, "ar"}, {0x39, "hi"}, {0x2a, "vi"},
        {0x1e, "th"},  {0x21, "id"}, {0x3e, "ms"}, {0x22, "uk"},
    };
    return ids;
}

// Attribute=value pairs of a request, names in lower case.
std::vector<std::pair<std::string, std::string>> attributes(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ';')) {
        const auto eq = part.find('=');
        if (eq == std::string::npos) continue;
        out.emplace_back(lower(trim(part.substr(0, eq))), trim(part.substr(eq + 1)));
    }
    return out;
}

// The engine language a request's Language value stands for: a hex id or a language tag.
std::string requestedLanguage(const std::string& value) {
    const std::string v = lower(value);
    if (!v.empty() &&
        std::all_of(v.begin(), v.end(), [](unsigned char c) { return std::isxdigit(c); }))
        return languageForLangId(v);
    std::string tag = v;
    std::replace(tag.begin(), tag.end(), '_', '-');
    if (tag == "zh" || tag.rfind("zh-cn", 0) == 0 || tag.rfind("zh-hans", 0) == 0 ||
        tag.rfind("zh-tw", 0) == 0 || tag.rfind("zh-sg", 0) == 0)
        return "cmn";
    if (tag.rfind("zh-hk", 0) == 0) return "yue";
    return tag;
}

// How well a voice speaks a language: its priority, or nothing.
std::optional<int> speaks(const VoiceEntry& v, const std::string& language) {
    std::optional<int> best;
    const std::string primary = language.substr(0, language.find('-'));
    for (const auto& [priority, lang] : v.languages) {
        int score = -1;
        if (lang == language)
            score = priority;
        else if (lang == primary)
            score = priority + 10;  // the language without its region
        if (score >= 0 && (!best || score < *best)) best = score;
    }
    return best;
}

}  // namespace

std::string languageForLangId(const std::string& hexId) {
    unsigned id = 0;
    try {
        id = static_cast<unsigned>(std::stoul(hexId, nullptr, 16));
    } catch (...) {
        return {};
    }
    if (auto it = langIds().find(id); it != langIds().end()) return it->second;
    if (auto it = primaryLangIds().find(id & 0x3ff); it != primaryLangIds().end())
        return it->second;
    return {};
}

std::vector<VoiceEntry> readVoiceFiles(const std::string& dataPath) {
    std::vector<VoiceEntry> out;
    std::error_code ec;
    for (const char* sub : {"lang", "voices"}) {
        const fs::path root = fs::path(dataPath) / sub;
        if (!fs::is_directory(root, ec)) continue;
        for (auto it = fs::recursive_directory_iterator(root, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            // The path below the root, with forward slashes: the engine's voice identifier.
            const std::string rel =
                it->path().generic_string().substr(root.generic_string().size() + 1);
            // Variants and external (mbrola) voices are not voices of their own.
            if (rel == "!v" || rel == "mb" || rel.rfind("!v/", 0) == 0 ||
                rel.rfind("mb/", 0) == 0) {
                if (it->is_directory(ec)) it.disable_recursion_pending();
                continue;
            }
            if (!it->is_regular_file(ec)) continue;
            if (auto v = readVoiceFile(it->path(), rel)) out.push_back(std::move(*v));
        }
    }
    std::sort(out.begin(), out.end(), [](const VoiceEntry& a, const VoiceEntry& b) {
        if (a.languages.front().second != b.languages.front().second)
            return a.languages.front().second < b.languages.front().second;
        return a.name < b.name;
    });
    return out;
}

VoiceCatalog::VoiceCatalog(std::string dataPath, std::string defaultLanguage)
    : dataPath_(std::move(dataPath)), defaultLanguage_(std::move(defaultLanguage)) {}

std::vector<std::pair<std::string, long long>> VoiceCatalog::folderStamps() const {
    std::vector<std::pair<std::string, long long>> stamps;
    std::error_code ec;
    for (const char* sub : {"lang", "voices"}) {
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

std::vector<VoiceEntry> VoiceCatalog::voices() {
    std::lock_guard lock(mutex_);
    auto stamps = folderStamps();
    if (stamps_.empty() || stamps != stamps_) {
        voices_ = withDefaultFirst(readVoiceFiles(dataPath_), defaultLanguage_);
        stamps_ = std::move(stamps);
    }
    return voices_;
}

std::optional<VoiceEntry> VoiceCatalog::find(const std::string& identifier) {
    for (const VoiceEntry& v : voices())
        if (v.identifier == identifier) return v;
    return std::nullopt;
}

std::optional<std::string> matchVoice(const std::vector<VoiceEntry>& voices,
                                      const std::string& required, const std::string& optional,
                                      const std::string& current) {
    std::string language, name;
    bool female = false;
    for (const auto& text : {required, optional})
        for (const auto& [key, value] : attributes(text)) {
            if (key == "language" && language.empty())
                language = requestedLanguage(value);
            else if (key == "name" && name.empty())
                name = lower(value);
            else if (key == "gender")
                female = lower(value) == "female";
        }
    if (language.empty() && name.empty()) {
        if (!female) return std::nullopt;
        return current.substr(0, current.find('+')) + "+f3";
    }
    const VoiceEntry* best = nullptr;
    int bestScore = 0;
    for (const VoiceEntry& v : voices) {
        int score = 0;
        if (!name.empty() && lower(displayName(v.name)) != name && lower(v.name) != name &&
            lower(v.identifier) != name)
            continue;
        if (!language.empty()) {
            const auto s = speaks(v, language);
            if (!s) continue;
            score = *s;
        }
        if (!best || score < bestScore) best = &v, bestScore = score;
    }
    if (!best) return std::nullopt;
    return best->identifier + (female ? "+f3" : "");
}

}  // namespace talvoro::espeak
