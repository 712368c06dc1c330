#pragma once
// Reads the speech engine's XML markup (the system's speech markup, and documents with a
// <speak> root) into a plain list of pieces the engine can synthesise one by one. Nothing in
// the text reaches any other markup reader: every piece of text is meant to be spoken
// literally, and no tag can name a file, address or program to open.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvoro::markup {

// Values in force when a Speak call starts: the engine's own settings.
struct Settings {
    int rate = 0;      // -10..10
    int volume = 100;  // 0..100
    int pitch = 0;     // -10..10
};

// A request for another voice, as <voice> and <lang> (or a <speak>/<voice> of the other
// dialect) make it. Attributes use the system's names: "Language=804;Gender=Female".
struct VoiceRequest {
    std::string required;
    std::string optional;
    bool operator==(const VoiceRequest&) const = default;
};

// Pinyin: a pronunciation given with <pron sym> in the Chinese phone set, spoken instead of the
// text the tag holds; its text is tone-numbered pinyin ("yin2 hang2").
enum class PieceKind { Text, Silence, Bookmark, Pinyin };

struct Piece {
    PieceKind kind = PieceKind::Text;
    std::string text;   // Text: spoken literally (UTF-8); Bookmark: the mark's name;
                        // Pinyin: the syllables
    int silenceMs = 0;  // Silence: its length
    // What is in force for this piece, resolved to absolute values.
    int rate = 0;      // -10..10
    int volume = 100;  // 0..100, already multiplied with the engine's volume
    int pitch = 0;     // -10..10
    bool emphasis = false;
    bool spell = false;                 // spell the text letter by letter
    std::optional<VoiceRequest> voice;  // none: the engine's current voice
};

// Speak flags that decide how the text is read.
inline constexpr int kFlagIsXml = 8;
inline constexpr int kFlagIsNotXml = 16;

// The pieces of one Speak call. Text without markup interpretation (kFlagIsNotXml, or neither
// flag and a first character other than '<') comes in Text pieces exactly as it stands, markup
// characters included. Never throws on malformed markup: what cannot be read as markup is
// spoken as text.
std::vector<Piece> readSpeech(const std::string& text, int flags, const Settings& settings);

// The same pieces one at a time, read only as far as the next one needs: a long text starts
// sounding at once. Plain text longer than a few kilobytes comes in several pieces, cut after a
// line break or blank where there is one.
class SpeechReader {
public:
    // Reads the shared text in place (it must not change while the reader lives): neither
    // copied nor looked at further than the next piece needs.
    SpeechReader(std::shared_ptr<const std::string> text, int flags, const Settings& settings);
    SpeechReader(std::string text, int flags, const Settings& settings);
    ~SpeechReader();
    SpeechReader(const SpeechReader&) = delete;
    SpeechReader& operator=(const SpeechReader&) = delete;

    // The next piece, or nullopt after the last.
    std::optional<Piece> next();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace talvoro::markup
