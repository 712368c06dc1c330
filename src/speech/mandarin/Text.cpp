#include "speech/mandarin/Text.h"

namespace talvoro::mandarin {

std::vector<Char> decodeUtf8(std::string_view text) {
    std::vector<Char> out;
    out.reserve(text.size() + 1);
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        const auto begin = static_cast<std::uint32_t>(i);
        if (b < 0x80) {
            out.push_back({b, begin});
            ++i;
            continue;
        }
        std::size_t len = 0;
        char32_t cp = 0, min = 0;
        if (b >= 0xC2 && b <= 0xDF)
            len = 2, cp = b & 0x1F, min = 0x80;
        else if (b >= 0xE0 && b <= 0xEF)
            len = 3, cp = b & 0x0F, min = 0x800;
        else if (b >= 0xF0 && b <= 0xF4)
            len = 4, cp = b & 0x07, min = 0x10000;
        bool ok = len != 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            ok = (s[i + k] & 0xC0) == 0x80;
            cp = cp << 6 | (s[i + k] & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (ok) {
            out.push_back({cp, begin});
            i += len;
        } else {
            out.push_back({kReplacement, begin});
            ++i;
        }
    }
    out.push_back({0, static_cast<std::uint32_t>(n)});
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t foldWidth(char32_t cp) {
    if (cp >= 0xFF01 && cp <= 0xFF5E) return cp - 0xFF01 + 0x21;
    return cp;
}

CharClass classify(char32_t cp) {
    if (cp < 0x80) {
        if (cp >= '0' && cp <= '9') return CharClass::Digit;
        if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) return CharClass::Latin;
        if (cp == ' ' || cp == '\t') return CharClass::Space;
        if (cp == '\n' || cp == '\r') return CharClass::Newline;
        if (cp < 0x20 || cp == 0x7F) return CharClass::Control;
        return CharClass::Punct;
    }
    if ((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
        (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0x20000 && cp <= 0x3FFFF) || cp == 0x3007)
        return CharClass::Han;
    if (cp <= 0x9F) return cp == 0x85 ? CharClass::Newline : CharClass::Control;
    if (cp == 0xA0 || cp == 0x3000 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F ||
        cp == 0x205F)
        return CharClass::Space;
    if (cp == 0x2028 || cp == 0x2029) return CharClass::Newline;
    if ((cp >= 0x200B && cp <= 0x200F) || (cp >= 0x202A && cp <= 0x202E) ||
        (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF || cp == kReplacement ||
        (cp >= 0xFFF0 && cp <= 0xFFFF) || (cp >= 0xD800 && cp <= 0xDFFF) ||
        (cp >= 0xE000 && cp <= 0xF8FF))
        return CharClass::Control;
    if (cp >= 0xFF10 && cp <= 0xFF19) return CharClass::Digit;
    if ((cp >= 0xFF21 && cp <= 0xFF3A) || (cp >= 0xFF41 && cp <= 0xFF5A)) return CharClass::Latin;
    if ((cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7) || (cp >= 0x1E00 && cp <= 0x1EFF) ||
        (cp >= 0x300 && cp <= 0x36F))
        return CharClass::Latin;
    if ((cp >= 0x3001 && cp <= 0x303F) || (cp >= 0xFF01 && cp <= 0xFF65) ||
        (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFE10 && cp <= 0xFE19))
        return CharClass::ChinesePunct;
    if (cp < 0x2C00 && !(cp >= 0x370 && cp <= 0x1DFF)) return CharClass::Punct;  // symbols
    if (cp >= 0x2E00 && cp <= 0x2E7F) return CharClass::Punct;
    if (cp >= 0x1F000 && cp <= 0x1FAFF) return CharClass::Punct;  // pictographs
    return CharClass::Other;
}

Pause pauseOf(char32_t cp) {
    switch (foldWidth(cp)) {
        case ',':
        case 0x3001:  // 、
        case 0x2026:  // …
        case 0x2014:  // —
        case 0xFE50:
        case 0xFE51:
            return Pause::Comma;
        case ':':
            return Pause::Colon;
        case ';':
            return Pause::Semicolon;
        case '.':
        case 0x3002:  // 。
        case 0xFF61:  // ｡
        case 0xFE52:
            return Pause::Stop;
        case '?':
            return Pause::Question;
        case '!':
            return Pause::Exclamation;
        default:
            return Pause::None;
    }
}

}  // namespace talvoro::mandarin
