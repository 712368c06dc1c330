#pragma once
// Reading the values written in attributes: whole numbers, language ids, and the prosody, break
// and voice values of <speak> documents, mapped onto the engine's own scales.

#include <optional>
#include <string>
#include <string_view>

namespace talvoro::markup::detail {

// Whole numbers are kept within this bound, so that sums of many of them cannot overflow.
inline constexpr long long kNumberBound = 1'000'000;

// The longest silence one tag can ask for.
inline constexpr int kMaxSilenceMs = 65535;

// The leading whole number ("  -5", "+7", "12px" → 12), saturated to ±kNumberBound; none when
// the text does not start with one (blanks first are allowed).
std::optional<long long> parseWhole(std::string_view text);

// A language id in hexadecimal ("804", "0409", "c0a", "0x411") as the voice attribute value:
// upper case, without "0x" and leading zeros ("804", "409", "C0A", "411"); none when it is not
// a non-zero 16-bit hexadecimal number.
std::optional<std::string> languageId(std::string_view text);

// How a prosody value changes what is in force.
struct Adjustment {
    enum class Kind { None, Set, Add, Scale, Default };
    Kind kind = Kind::None;
    double amount = 0;  // Set, Add: on the engine's scale; Scale: a factor
};

// prosody rate: keywords set a rate step (x-slow -9 .. x-fast 9); a speed factor ("0.5",
// "150%", "+20%", "-20%") adds round(10 * log3(factor)) steps, since each step is 3^(1/10).
Adjustment prosodyRate(std::string_view text);

// prosody pitch: keywords set a pitch step (x-low -9 .. x-high 9); semitones ("+2st") add two
// steps each, since each step is 2^(1/24); a factor ("+10%", "90%") adds round(24 * log2(f)).
// Hertz values need the voice's own pitch, which the reader does not know: none.
Adjustment prosodyPitch(std::string_view text);

// prosody volume on the markup's 0..100 scale: keywords (silent 0 .. x-loud 100) and numbers
// set it, signed numbers ("+10") add to it, percentages ("50%", "+10%") and decibels ("-6dB")
// scale it.
Adjustment prosodyVolume(std::string_view text);

// A <break>'s length in milliseconds: its time ("500ms", "2s", "1.5s") if readable, else its
// strength (none 0, x-weak 100, weak 250, medium 500, strong 1000, x-strong 2000), else 500.
int breakMs(std::optional<std::string_view> time, std::optional<std::string_view> strength);

// A <voice gender> value as the voice attribute value ("female" → "Female"); none when empty.
std::optional<std::string> genderValue(std::string_view text);

// A <voice age> in years as the voice attribute's age group: Child, Teen, Adult or Senior.
std::optional<std::string> ageGroup(std::string_view text);

// A <pron sym> in the Chinese phone set, tone-numbered pinyin with or without blanks before
// the tones ("yin 2 hang 2", "Yin2 Hang2", "lü4"), as the engine's pinyin reader reads it:
// lowercase syllables with their tone digits, one blank between them ("yin2 hang2", "lv4").
// None for anything else (another language's phone set).
std::optional<std::string> pinyinFromSym(std::string_view sym);

// ASCII case-insensitive equality.
bool sameText(std::string_view a, std::string_view b);

}  // namespace talvoro::markup::detail
