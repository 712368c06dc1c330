#include "speech/espeak/ScriptRouter.h"

#include <unicode/uloc.h>

#include <optional>

#include "speech/mandarin/Text.h"

namespace talvoro::espeak {
namespace {

std::vector<std::string> subtags(const std::string& tag) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t to = tag.find_first_of("-_", from);
        out.push_back(tag.substr(from, to - from));
        if (to == std::string::npos) return out;
        from = to + 1;
    }
}

// The four-letter script the locale data gives a language tag, in lower case; "" if unknown.
std::string likelyScript(const std::string& tag) {
    std::string icuTag = tag;
    for (char& c : icuTag)
        if (c == '-') c = '_';
    char full[ULOC_FULLNAME_CAPACITY];
    UErrorCode error = U_ZERO_ERROR;
    uloc_addLikelySubtags(icuTag.c_str(), full, sizeof full, &error);
    if (U_FAILURE(error) || error == U_STRING_NOT_TERMINATED_WARNING) return {};
    char script[ULOC_SCRIPT_CAPACITY];
    error = U_ZERO_ERROR;
    const int n = uloc_getScript(full, script, sizeof script, &error);
    if (U_FAILURE(error) || n != 4) return {};
    std::string s(script, 4);
    for (char& c : s) c = static_cast<char>(c | 0x20);
    return s;
}

std::optional<VoiceScript> scriptOfLanguage(const std::string& tag) {
    std::vector<std::string> parts = subtags(tag);
    // "zh-yue", "zh-cmn": the second subtag names the language.
    if (parts[0] == "zh" && parts.size() > 1 && parts[1].size() == 3) parts.erase(parts.begin());
    std::string script;
    for (std::size_t k = 1; k < parts.size(); ++k)
        if (parts[k].size() == 4) script = parts[k];
    if ((parts[0] == "cmn" || parts[0] == "zh") &&
        (script.empty() || script == "hans" || script == "hant"))
        return VoiceScript::Mandarin;
    if (script.empty()) script = likelyScript(tag);
    if (script.empty()) script = likelyScript(parts[0]);
    if (script.empty()) return std::nullopt;
    if (script == "hani" || script == "hans" || script == "hant") return VoiceScript::Han;
    if (script == "latn") return VoiceScript::Latin;
    // Japanese and Korean voices read kana and Hangul; their Han text goes to Mandarin.
    return VoiceScript::Other;
}

bool isHan(char32_t cp) {
    return mandarin::classify(cp) == mandarin::CharClass::Han;
}

void append(std::vector<VoiceCall>& out, const std::string& voice, std::string_view text,
            bool spell) {
    if (text.empty()) return;
    if (!out.empty() && out.back().voice == voice && out.back().spell == spell) {
        // Runs read are words apart; spelled text is spelled as it stands.
        if (!spell) out.back().text += ' ';
        out.back().text += text;
        return;
    }
    out.push_back({voice, std::string(text), spell});
}

}  // namespace

VoiceScript voiceScript(const VoiceEntry& voice) {
    for (const auto& [priority, language] : voice.languages)
        if (auto script = scriptOfLanguage(language)) return *script;
    return VoiceScript::Latin;
}

ScriptRouter::ScriptRouter(std::shared_ptr<const mandarin::FrontEnd> frontEnd,
                           std::string mandarinVoice, std::string englishVoice)
    : frontEnd_(std::move(frontEnd)),
      mandarinVoice_(std::move(mandarinVoice)),
      englishVoice_(std::move(englishVoice)) {
    if (mandarinVoice_.empty() || englishVoice_.empty()) frontEnd_.reset();
}

// A female request ("+f3") holds for the voices that stand in for the one in force.
std::string ScriptRouter::withVariant(const std::string& base, const std::string& voice) const {
    const std::size_t plus = voice.find('+');
    return plus == std::string::npos ? base : base + voice.substr(plus);
}

void ScriptRouter::read(std::string_view text, const VoiceInForce& in,
                        std::vector<VoiceCall>& out) const {
    if (!frontEnd_ || in.readsHan) return append(out, in.voice, text, false);
    using mandarin::TickedScript;
    const TickedScript ticked = in.script == VoiceScript::Mandarin ? TickedScript::Han
                                : in.script == VoiceScript::Latin  ? TickedScript::Latin
                                                                   : TickedScript::Other;
    for (const mandarin::Run& run : frontEnd_->read(text, ticked)) {
        switch (run.target) {
            case mandarin::Target::Mandarin:
                append(out, withVariant(mandarinVoice_, in.voice), run.text, false);
                break;
            case mandarin::Target::English:
                append(out, withVariant(englishVoice_, in.voice), run.text, false);
                break;
            case mandarin::Target::TickedVoice:
                append(out, in.voice, run.text, false);
                break;
        }
    }
}

void ScriptRouter::spell(std::string_view text, const VoiceInForce& in,
                         std::vector<VoiceCall>& out) const {
    if (!frontEnd_ || in.readsHan) return append(out, in.voice, text, true);
    const std::string mandarin = withVariant(mandarinVoice_, in.voice);
    const std::vector<mandarin::Char> chars = mandarin::decodeUtf8(text);
    std::size_t from = 0;
    for (std::size_t k = 0; k + 1 < chars.size(); ++k) {
        const bool han = isHan(chars[k].cp);
        if (k + 2 < chars.size() && isHan(chars[k + 1].cp) == han) continue;
        const std::size_t to = chars[k + 1].begin;
        append(out, han ? mandarin : in.voice, text.substr(from, to - from), true);
        from = to;
    }
}

VoiceCall ScriptRouter::pronounce(std::string_view pinyin, const VoiceInForce& in) const {
    return {mandarinVoice_.empty() ? in.voice : withVariant(mandarinVoice_, in.voice),
            std::string(pinyin), false};
}

}  // namespace talvoro::espeak
