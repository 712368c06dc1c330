#pragma once
// Splits a run of Han characters into the words of the dictionary, the split whose words are
// together the most probable (each word's cost is -ln of its frequency), and gives each word
// its reading.

#include <cstdint>
#include <string_view>
#include <vector>

#include "speech/mandarin/DictionaryTables.h"

namespace talvoro::mandarin {

struct Word {
    std::uint32_t begin = 0;  // index of its first character in the run
    std::uint32_t end = 0;
    // One syllable per character, in the dictionary; null for a character it does not know.
    const unsigned char* syllables = nullptr;

    std::uint16_t syllable(std::size_t k) const {
        return std::uint16_t(syllables[2 * k] | syllables[2 * k + 1] << 8);
    }
};

// The words of `han` in order, covering it whole. Linear in the length of the run. Words never
// span the places where the way Chinese is written splits them:
// - reduplicated verbs, 看一看, 想了想: the middle character is a word of its own;
// - a degree adverb before a word of 好 (很好学, 也好问): 很 and 也 stand alone, so that
//   好学 is read as the word it is rather than as 很好 followed by 学.
std::vector<Word> segment(const Dictionary::Tables& dict, std::u32string_view han);

// The dictionary's reading of one character, or -1 when it has none.
int readingOf(const Dictionary::Tables& dict, char32_t ch);

}  // namespace talvoro::mandarin
