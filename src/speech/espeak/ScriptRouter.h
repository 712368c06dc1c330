#pragma once
// Who reads what: a piece of text in the voice in force becomes calls of the engine library,
// each with the voice that reads it right. Han text is read in Mandarin whatever voice is in
// force (the Mandarin front end's pinyin, spoken by the library's pinyin voice), Latin-script
// words inside Chinese go to English unless the voice in force reads a Latin-script language,
// and the rest stays with the voice in force. A voice that reads Han text itself (Cantonese)
// is handed its text as it is.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "speech/espeak/VoiceNames.h"
#include "speech/mandarin/MandarinFrontEnd.h"

namespace talvoro::espeak {

// How a voice meets text of other scripts, from the script its language is written in.
enum class VoiceScript {
    Mandarin,  // Mandarin written in Han: the front end's own voice
    Han,       // another language written in Han (Cantonese, Hakka): it may read Han itself
    Latin,     // a language written in Latin letters (English, French, pinyin...)
    Other,     // Cyrillic, Greek, Arabic, Japanese kana...
};

// The script of the voice's first language that the locale data knows (Unicode's likely
// scripts); a language it does not know counts as Latin, as the library's invented and
// historical languages mostly are.
VoiceScript voiceScript(const VoiceEntry& voice);

// One call of the engine library.
struct VoiceCall {
    std::string voice;  // the library's voice identifier, variant included ("gmw/en+f3")
    std::string text;
    bool spell = false;  // letter by letter
    bool operator==(const VoiceCall&) const = default;
};

// How the voice in force reads a piece.
struct VoiceInForce {
    std::string voice;  // identifier, with its variant
    VoiceScript script = VoiceScript::Latin;
    bool readsHan = false;  // a Han-script voice that reads Han text itself
};

class ScriptRouter {
public:
    // `mandarinVoice` reads tone-numbered pinyin, `englishVoice` English; `frontEnd` may be
    // null (no dictionary), and then every piece goes to the voice in force as it is.
    ScriptRouter(std::shared_ptr<const mandarin::FrontEnd> frontEnd, std::string mandarinVoice,
                 std::string englishVoice);

    bool active() const { return frontEnd_ != nullptr; }

    // Appends the calls that read `text`.
    void read(std::string_view text, const VoiceInForce& in, std::vector<VoiceCall>& out) const;
    // Appends the calls that spell `text`: Han characters one by one in Mandarin, the rest by
    // the voice in force.
    void spell(std::string_view text, const VoiceInForce& in, std::vector<VoiceCall>& out) const;
    // The call that speaks a pronunciation given in markup as tone-numbered pinyin.
    VoiceCall pronounce(std::string_view pinyin, const VoiceInForce& in) const;

private:
    std::string withVariant(const std::string& base, const std::string& voice) const;

    std::shared_ptr<const mandarin::FrontEnd> frontEnd_;
    std::string mandarinVoice_;
    std::string englishVoice_;
};

}  // namespace talvoro::espeak
