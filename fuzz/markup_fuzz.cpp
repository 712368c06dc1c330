// Fuzzes the speech markup reader: whatever the text, reading never fails, every piece stays in
// the engine's ranges, plain text comes out whole however it is cut into pieces, and reading
// piece by piece, as the engine does, holds at its peak a small multiple of the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "AllocationCount.h"
#include "speech/markup/SpeechMarkup.h"

using namespace talvoro::markup;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte chooses the flags and the engine's settings; the rest is the text.
    const int flags = (data[0] & 3) == 0 ? 0 : (data[0] & 3) == 1 ? kFlagIsXml : kFlagIsNotXml;
    const Settings settings{(data[0] >> 2) % 21 - 10, (data[0] * 7) % 101, 0};
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    talvoro::testing::resetAllocationPeak();
    const std::size_t before = talvoro::testing::allocatedNow();
    std::string joined;  // the text pieces, kept for literal text and text with nothing to act on
    const bool plain = flags == kFlagIsXml && text.find_first_of("<&") == std::string::npos;
    SpeechReader reader(text, flags, settings);
    while (const std::optional<Piece> next = reader.next()) {
        const Piece& p = *next;
        check(p.rate >= -10 && p.rate <= 10);
        check(p.pitch >= -10 && p.pitch <= 10);
        check(p.volume >= 0 && p.volume <= 100);
        check(p.silenceMs >= 0);
        if (p.kind == PieceKind::Text) {
            check(!p.text.empty());
            if (plain || flags == kFlagIsNotXml) joined += p.text;
        }
        if (p.voice) check(p.voice->required.size() <= 4096 && p.voice->optional.size() <= 4096);
    }
    // The reader's copy of the text, and at most 4096 open elements.
    check(talvoro::testing::allocationPeak() - before <= 8 * size + (1 << 20));
    // Text read literally comes out exactly as it stands, however it is cut into pieces.
    if (flags == kFlagIsNotXml) check(joined == text);

    // Text with nothing for the markup reader to act on is spoken as it stands, blanks aside
    // (a piece of blanks alone is dropped), however it is cut into pieces.
    if (plain) {
        auto words = [](const std::string& s) {
            std::string out;
            for (char c : s)
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
            return out;
        };
        const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
        check(words(joined) == words(bom ? text.substr(3) : text));
    }
    return 0;
}
