#pragma once
// Characters of a piece of text and what kind of character each is, for the front end.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvoro::mandarin {

inline constexpr char32_t kReplacement = 0xFFFD;

// A decoded character and where its bytes start in the piece.
struct Char {
    char32_t cp;
    std::uint32_t begin;
};

// The characters of `text` (at most 4 GB), followed by one sentinel whose begin is the text's
// length and whose code point is 0. Each byte that does not start a well-formed UTF-8 sequence
// (overlong forms, surrogates and values above U+10FFFF included) is one U+FFFD.
std::vector<Char> decodeUtf8(std::string_view text);

void appendUtf8(std::string& out, char32_t cp);

enum class CharClass : std::uint8_t {
    Han,           // CJK ideographs and 〇
    Latin,         // letters of the Latin script, fullwidth ones included
    Digit,         // 0-9 and fullwidth ０-９
    Space,         // blanks, the ideographic space included
    Newline,       // LF, CR, and the Unicode line and paragraph separators
    Control,       // other C0 and C1 controls, zero-width characters, U+FFFD
    ChinesePunct,  // fullwidth and CJK punctuation: ，。、；：？！《》「」（）
    Punct,         // other punctuation and symbols, “” … — · among them
    Other,         // letters and signs of other scripts: Cyrillic, Greek, kana, Hangul...
};

CharClass classify(char32_t cp);

// Fullwidth ASCII forms (Ａ, ５, ％) as their ASCII characters; others as they are.
char32_t foldWidth(char32_t cp);

// The pause a punctuation mark asks for, strongest last.
enum class Pause : std::uint8_t { None, Comma, Colon, Semicolon, Stop, Question, Exclamation };
Pause pauseOf(char32_t cp);

}  // namespace talvoro::mandarin
