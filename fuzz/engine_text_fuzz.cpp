// Fuzzes what reaches the speech engine library: a Speak call's text goes through the markup
// reader, and each piece through the engine's own chunking, the choice of voices run by run
// (with the Mandarin dictionary, or without one) and the cleaning (feedEngine), as the engine
// thread runs them; what would be handed to espeak_Synth is caught there and checked:
// - no control character other than tab, LF and CR, and no DEL;
// - well-formed UTF-8 (the library's decoder would take an overlong form of a control);
// - markup only around spelled text, exactly the program's own, with the text inside escaped;
// - without the dictionary, and for spelled text, the calls of a piece add up to the whole
//   piece, so no cut splits a character and nothing is lost;
// - every call names a voice.
// What the reading holds at its peak stays within a small multiple of the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "AllocationCount.h"
#include "speech/espeak/EngineText.h"
#include "speech/espeak/ScriptRouter.h"
#include "speech/espeak/TextChunks.h"
#include "speech/markup/SpeechMarkup.h"

using namespace talvoro;

namespace {

void check(bool condition, int line = __builtin_LINE()) {
    if (condition) return;
    std::fprintf(stderr, "check failed at line %d\n", line);
    std::abort();
}

constexpr std::string_view kSpellOpen = "<speak><say-as interpret-as=\"characters\">";
constexpr std::string_view kSpellClose = "</say-as></speak>";

// Well-formed UTF-8 with no control but tab, LF and CR, decoded here on its own terms.
void checkText(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            check(c >= 0x20 ? c != 0x7F : c == '\t' || c == '\n' || c == '\r');
            ++i;
            continue;
        }
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        check(length > 0 && i + length <= s.size());
        std::uint32_t cp = c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            check((b & 0xC0) == 0x80);
            cp = cp << 6 | (b & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        check(cp >= least[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF));
        i += length;
    }
}

// The text inside the program's own markup: no '<' or '>', and '&' only in the escapes the
// program writes. Returns it unescaped.
std::string checkEscaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        check(s[i] != '<' && s[i] != '>');
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("&lt;")) {
            out += '<';
            i += 3;
        } else if (rest.starts_with("&gt;")) {
            out += '>';
            i += 3;
        } else {
            check(rest.starts_with("&amp;"));
            out += '&';
            i += 4;
        }
    }
    return out;
}

const espeak::ScriptRouter& router(bool withDictionary) {
    static const espeak::ScriptRouter bare(nullptr, "sit/cmn-Latn-pinyin", "gmw/en");
    static const espeak::ScriptRouter full(std::make_shared<const mandarin::FrontEnd>(
                                               mandarin::Dictionary::open(TALVORO_MANDARIN_DICT)),
                                           "sit/cmn-Latn-pinyin", "gmw/en");
    return withDictionary ? full : bare;
}

// What one call of the engine library would be handed.
std::string checkCall(const espeak::EngineCall& call, bool spell) {
    check(call.markup == spell);
    std::string_view inner = call.text;
    if (call.markup) {
        check(inner.starts_with(kSpellOpen) && inner.ends_with(kSpellClose));
        inner =
            inner.substr(kSpellOpen.size(), inner.size() - kSpellOpen.size() - kSpellClose.size());
    }
    check(!inner.empty());
    checkText(call.text);
    return call.markup ? checkEscaped(inner) : std::string(inner);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the flags, the voice in force, whether the dictionary is there and
    // the rate; the rest is the text.
    const int flags = (data[0] & 3) == 0   ? 0
                      : (data[0] & 3) == 1 ? markup::kFlagIsXml
                                           : markup::kFlagIsNotXml;
    const espeak::VoiceScript scripts[] = {espeak::VoiceScript::Latin,
                                           espeak::VoiceScript::Mandarin,
                                           espeak::VoiceScript::Other, espeak::VoiceScript::Han};
    const espeak::VoiceScript script = scripts[(data[0] >> 2) & 3];
    // The voice in force may be the one that reads the pinyin itself.
    const espeak::VoiceInForce in{(data[0] & 0x20) ? "sit/cmn-Latn-pinyin" : "gmw/fr", script,
                                  script == espeak::VoiceScript::Han};
    const espeak::ScriptRouter& voices = router((data[0] & 0x10) != 0);
    const markup::Settings settings{(data[0] >> 6) * 6 - 9, 100, 0};
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    testing::resetAllocationPeak();
    const std::size_t before = testing::allocatedNow();
    markup::SpeechReader reader(std::move(text), flags, settings);
    std::vector<espeak::VoiceCall> calls;
    while (const auto piece = reader.next()) {
        if (piece->kind == markup::PieceKind::Pinyin) {
            const espeak::VoiceCall call = voices.pronounce(piece->text, in);
            espeak::feedEngine(call.text, false, [&](const espeak::EngineCall& c) {
                check(checkCall(c, false).find_first_not_of("abcdefghijklmnopqrstuvwxyz12345 ") ==
                      std::string::npos);
                return true;
            });
            continue;
        }
        if (piece->kind != markup::PieceKind::Text) continue;
        // As the engine thread reads a piece: chunk by chunk, each cut into runs of voices.
        std::string joined;
        for (const std::string_view chunk : espeak::TextChunks(piece->text)) {
            calls.clear();
            if (piece->spell)
                voices.spell(chunk, in, calls);
            else
                voices.read(chunk, in, calls);
            std::string spelled;
            for (const espeak::VoiceCall& call : calls) {
                check(!call.voice.empty() && call.spell == piece->spell);
                std::string said;
                espeak::feedEngine(call.text, call.spell, [&](const espeak::EngineCall& c) {
                    said += checkCall(c, call.spell);
                    return true;
                });
                check(said == espeak::engineText(call.text));
                spelled += call.text;
                joined += said;
            }
            if (piece->spell) check(spelled == chunk);
        }
        if (!voices.active() || in.readsHan) check(joined == espeak::engineText(piece->text));
    }
    // The input's own copy, what the reader keeps while it reads (at most 4096 open elements),
    // and the pieces and calls of the moment.
    check(testing::allocationPeak() - before <= 8 * size + (1 << 20));
    return 0;
}
