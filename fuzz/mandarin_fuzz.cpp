// Fuzzes the Mandarin front end (its character classes, number reader, segmenter and run
// splitter) with the dictionary the build made: whatever the bytes, reading ends, the runs are
// well formed, and the text they hold stays within a fixed multiple of the piece.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "speech/mandarin/MandarinFrontEnd.h"
#include "speech/mandarin/Text.h"

using namespace talvoro::mandarin;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool validUtf8(std::string_view s) {
    const auto chars = decodeUtf8(s);
    std::string again;
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) appendUtf8(again, chars[i].cp);
    return again == s;
}

const FrontEnd& frontEnd() {
    static const FrontEnd f(Dictionary::open(TALVORO_MANDARIN_DICT));
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const TickedScript ticked = data[0] % 3 == 0   ? TickedScript::Han
                                : data[0] % 3 == 1 ? TickedScript::Latin
                                                   : TickedScript::Other;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto runs = frontEnd().read(text, ticked);
    std::size_t total = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        check(!r.text.empty());
        check(i == 0 || runs[i - 1].target != r.target);
        check(validUtf8(r.text));
        if (r.target == Target::Mandarin) {
            // Pinyin syllables with tone digits, blanks and pause marks only.
            for (std::size_t k = 0; k < r.text.size(); ++k) {
                const char c = r.text[k];
                const bool stop = r.text.compare(k, 3, "\xE3\x80\x82") == 0;
                check((c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == ' ' || c == ',' ||
                      c == ';' || c == ':' || c == '?' || c == '!' || stop);
                if (stop) k += 2;
            }
        } else {
            check(ticked != TickedScript::Latin || r.target == Target::TickedVoice ||
                  r.target == Target::English);
        }
        total += r.text.size();
    }
    // A digit becomes at most a few syllables; a Han character one; nothing grows without bound.
    check(total <= 16 * text.size() + 16);
    return 0;
}
