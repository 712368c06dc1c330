#include "speech/espeak/EngineText.h"

#include "intake/Utf8.h"

namespace talvoro::espeak {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kSpellOpen = "<speak><say-as interpret-as=\"characters\">";
constexpr std::string_view kSpellClose = "</say-as></speak>";

bool silentControl(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

// Appends `text` as the library may read it, escaped for its markup reader when `escape`.
void appendClean(std::string& out, std::string_view text, bool escape) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c >= 0x80) {
            const std::size_t len = utf8SequenceLength(p + i, n - i);
            if (len == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(text.substr(i, len));
                i += len;
            }
            continue;
        }
        ++i;
        if (silentControl(c)) {
            out.push_back(' ');
        } else if (escape && c == '<') {
            out += "&lt;";
        } else if (escape && c == '>') {
            out += "&gt;";
        } else if (escape && c == '&') {
            out += "&amp;";
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

}  // namespace

void prepareCall(std::string_view chunk, bool spell, EngineCall& call) {
    call.text.clear();
    call.markup = spell;
    if (spell) call.text += kSpellOpen;
    appendClean(call.text, chunk, spell);
    if (spell) call.text += kSpellClose;
}

std::string engineText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendClean(out, text, false);
    return out;
}

}  // namespace talvoro::espeak
