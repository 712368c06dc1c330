#pragma once
// What the engine library is handed. Nothing in a reading may steer the library: it reads byte
// 0x01 followed by digits and a letter as one of its own commands (an echo, a louder voice, a
// voice change, punctuation read aloud) even in plain text, its UTF-8 decoder takes overlong
// forms of that byte, and its markup reader opens files. So every string the library reads is
// made here, chunk by chunk:
// - every control character other than tab, LF and CR, and DEL, is read as a space, which keeps
//   apart what stands on either side of it (a NUL would also end the library's reading);
// - every byte that is not part of well-formed UTF-8 is read as U+FFFD;
// - plain text stays plain text: the library's markup reader is off for it, so '<' and '&' mean
//   nothing there (and its markup mode would read several blank lines as one short pause);
// - text to be spelled goes inside markup the program writes itself, with the text escaped.

#include <string>
#include <string_view>

#include "speech/espeak/TextChunks.h"

namespace talvoro::espeak {

// One reading call of the library.
struct EngineCall {
    std::string text;     // handed over with its terminating NUL
    bool markup = false;  // read with the library's markup reader
};

// The call for one chunk of a piece of text. `call` is reused, so that a long reading allocates
// once.
void prepareCall(std::string_view chunk, bool spell, EngineCall& call);

// `text` with the controls and ill-formed bytes replaced, as the calls carry it.
std::string engineText(std::string_view text);

// Hands `text` to `synth` (a callable taking const EngineCall&, returning whether to go on) chunk
// by chunk, cut at character starts (TextChunks). Returns false when `synth` stopped it.
template <class Synth>
bool feedEngine(std::string_view text, bool spell, Synth&& synth) {
    EngineCall call;
    for (const std::string_view chunk : TextChunks(text)) {
        prepareCall(chunk, spell, call);
        if (!synth(static_cast<const EngineCall&>(call))) return false;
    }
    return true;
}

}  // namespace talvoro::espeak
