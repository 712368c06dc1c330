#pragma once
// The dictionary file's tables as the segmenter reads them. The file is written by
// tools/build-mandarin-dict.py; every number in it is little-endian.
//
//   header (64 bytes): "TVMD", version, file size, syllable count, syllable offset,
//                      slot count, slot offset, offset bits, record bytes, record offset,
//                      word count, cost of an unknown character
//   syllables:  8 bytes each, ASCII pinyin with its tone digit, NUL-padded, sorted
//   slots:      u32 each, a hash table with linear probing over the records; the low
//               "offset bits" hold a record's offset in 16-bit units (0: empty slot), the
//               high bits the top bits of the key's hash
//   records:    u16 units: head (key length in UTF-16 units | 0x100 word | 0x200 a longer key
//               starts with this one), the key in UTF-16, and for a word its cost
//               (-ln probability x 1024) and one syllable index per character
//
// Every proper prefix of a word is a key, so a walk along the text can stop at the first
// prefix that is missing. Opening checks the header; each lookup checks the record it reads
// against the file's bounds, so a damaged file gives wrong readings, never a bad access.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "speech/mandarin/MandarinFrontEnd.h"

namespace talvoro::mandarin {

inline constexpr std::uint32_t kHashBasis = 0x811C9DC5u;

// FNV-1a over the bytes of UTF-16LE units, as the build tool hashes keys.
inline std::uint32_t hashUnit(std::uint32_t h, std::uint16_t unit) {
    h = (h ^ (unit & 0xFFu)) * 0x01000193u;
    return (h ^ (unit >> 8)) * 0x01000193u;
}

struct Lookup {
    bool found = false;
    bool word = false;
    bool longer = false;  // a longer key starts with this one
    std::uint16_t cost = 0;
    const unsigned char* syllables = nullptr;  // one u16 per character, in the mapped file

    std::uint16_t syllable(std::size_t k) const {
        return std::uint16_t(syllables[2 * k] | syllables[2 * k + 1] << 8);
    }
};

struct Dictionary::Tables {
    const unsigned char* base = nullptr;
    std::size_t size = 0;
    const char* syllableText = nullptr;  // syllableCount x 8 bytes
    std::uint32_t syllableCount = 0;
    const unsigned char* slots = nullptr;
    std::uint32_t slotCount = 0;
    std::uint32_t offsetBits = 0;
    const unsigned char* records = nullptr;
    std::uint32_t recordUnits = 0;
    std::uint32_t words = 0;
    std::uint16_t unknownCost = 0;
    std::shared_ptr<const void> storage;  // keeps the mapping alive

    // The key of `units` UTF-16 units holding `chars` characters, whose hash is `hash`.
    Lookup find(const std::uint16_t* key, std::size_t units, std::size_t chars,
                std::uint32_t hash) const;
    // "" for an index out of range.
    std::string_view syllable(std::uint16_t index) const;
    // The index of a syllable such as "yi2", or -1.
    int syllableIndex(std::string_view text) const;
};

}  // namespace talvoro::mandarin
