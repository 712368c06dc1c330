#pragma once
// Well-formed UTF-8, shared by the file reader and the speech engine: the shortest form only, no
// surrogates, nothing beyond U+10FFFF.

#include <cstddef>

namespace talvoro {

inline bool utf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at p with n (at least 1) bytes left; 0 when there is
// none.
inline std::size_t utf8SequenceLength(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    if (c < 0xC2) return 0;
    if (c < 0xE0) return n >= 2 && utf8Continuation(p[1]) ? 2 : 0;
    if (c < 0xF0) {
        if (n < 3 || !utf8Continuation(p[1]) || !utf8Continuation(p[2])) return 0;
        if (c == 0xE0 && p[1] < 0xA0) return 0;   // overlong
        if (c == 0xED && p[1] >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c < 0xF5) {
        if (n < 4 || !utf8Continuation(p[1]) || !utf8Continuation(p[2]) || !utf8Continuation(p[3]))
            return 0;
        if (c == 0xF0 && p[1] < 0x90) return 0;   // overlong
        if (c == 0xF4 && p[1] >= 0x90) return 0;  // past U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace talvoro
