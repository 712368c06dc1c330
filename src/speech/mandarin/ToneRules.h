#pragma once
// Readings that depend on the words around them: the tone changes of 一 and 不, and the few
// characters whose reading a word of their own cannot settle (还 closing a clause).

#include <cstdint>
#include <vector>

#include "speech/mandarin/DictionaryTables.h"

namespace talvoro::mandarin {

inline constexpr std::uint16_t kNoSyllable = 0xFFFF;

// One syllable of a clause as read so far.
struct Syllable {
    std::uint16_t id = kNoSyllable;  // index in the dictionary's syllable table
    char32_t ch = 0;                 // the character it reads
    std::uint8_t flags = 0;

    static constexpr std::uint8_t kAlone = 1;    // the character is a word of its own
    static constexpr std::uint8_t kNumeral = 2;  // part of a number said in words
    static constexpr std::uint8_t kDigit = 4;    // a digit read as it stands
};

// Changes the syllables of one clause (text between two pauses) where their neighbours
// decide their reading.
void applyToneRules(const Dictionary::Tables& dict, std::vector<Syllable>& clause);

}  // namespace talvoro::mandarin
