#include "speech/espeak/TextChunks.h"

namespace talvoro::espeak {
namespace {

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

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
    // Back to the first byte of the character at the limit, three bytes back at most. With four
    // continuation bytes there, the limit lies in no character and is cut as it is: a long run
    // of bytes that are no text is still cut into full-sized chunks.
    for (std::size_t back = 0; back < 4 && limit - back > pos; ++back)
        if (!continuation(static_cast<unsigned char>(text[limit - back]))) return limit - back;
    return limit;
}

}  // namespace talvoro::espeak
