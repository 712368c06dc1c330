#include "speech/espeak/TextChunks.h"

namespace talvoro::espeak {
namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Whether the text just before `at` ends a sentence: . ! ? ; or a line break, or the Chinese
// 。！？；, followed by a blank or a line break (or, for the Chinese marks, anything).
bool sentenceEndsBefore(std::string_view t, std::size_t at) {
    if (at == 0 || at > t.size()) return false;
    const auto c = static_cast<unsigned char>(t[at - 1]);
    if (c == '\n' || c == '\r') return true;
    if ((c == '.' || c == '!' || c == '?' || c == ';') && at < t.size())
        return t[at] == ' ' || t[at] == '\n' || t[at] == '\r' || t[at] == '\t';
    if (at >= 3) {
        const std::string_view mark = t.substr(at - 3, 3);
        return mark == "\xE3\x80\x82" || mark == "\xEF\xBC\x81" || mark == "\xEF\xBC\x9F" ||
               mark == "\xEF\xBC\x9B";
    }
    return false;
}

}  // namespace

std::size_t chunkEnd(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return text.size();
    if (text.size() - pos <= TextChunks::kLimit) return text.size();
    const std::size_t limit = pos + TextChunks::kLimit;
    std::size_t space = 0;
    for (std::size_t at = pos + TextChunks::kTarget; at < limit; ++at) {
        if (sentenceEndsBefore(text, at)) return at;
        if (!space && (text[at] == ' ' || text[at] == '\t')) space = at + 1;
    }
    if (space) return space;
    // Back to the start of the character at the limit. A character has at most three bytes
    // after its first: a longer run of continuation bytes is no text, and any cut in it keeps
    // what it is, so a long run of them is still cut into full-sized chunks.
    std::size_t at = limit;
    for (int back = 0;
         back < 3 && at > pos + 1 && continuation(static_cast<unsigned char>(text[at])); ++back)
        --at;
    return at;
}

}  // namespace talvoro::espeak
