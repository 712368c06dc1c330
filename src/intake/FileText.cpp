#include "intake/FileText.h"

#include <cstdint>
#include <cstring>

#include "intake/Utf8.h"
#include "platform/FileServices.h"

namespace talvoro {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void appendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        return bigEndian ? (p[2 * i] << 8) | p[2 * i + 1] : p[2 * i] | (p[2 * i + 1] << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const std::uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000)
            out += kReplacement;  // a surrogate without its partner
        else
            appendCodePoint(out, u);
    }
    if (bytes.size() % 2 != 0) out += kReplacement;  // half a character at the end
    return out;
}

}  // namespace

// Worked in place, from the back: the text of a 100 MB file is not copied once more, and however
// many lines it has, nothing is kept per line.
std::string linesOfFile(std::string text) {
    const std::size_t n = text.size();
    if (n == 0) return text;
    const std::size_t lastEnd = text.ends_with("\r\n") ? 2 : text.back() == '\r' ? 1 : 0;
    const std::size_t body = n - lastEnd;

    // Each CR that ends a line without an LF grows by one byte into CR LF. The byte after the
    // body is the last line end's CR, or the string's terminating NUL.
    std::size_t loneCrs = 0;
    const char* const data = text.data();
    const char* const end = data + body;
    for (const char* cr = data; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr)));)
        for (; cr < end && *cr == '\r'; ++cr)  // a run of line ends at a time
            if (cr[1] != '\n') ++loneCrs;

    const std::size_t size = 2 + body + loneCrs;
    text.reserve(size);
    text.resize(size);
    char* d = text.data();
    // [0, segmentEnd) is still where it was read; everything written lies at or after `to`, which
    // stays beyond segmentEnd until the last move. A CR just before segmentEnd is followed by a
    // CR (one already moved, or the last line end's) or by nothing: it is lone.
    std::size_t segmentEnd = body, searchEnd = body, to = size;
    while (loneCrs > 0) {
        std::size_t at = searchEnd;
        while (d[--at] != '\r') continue;
        searchEnd = at;
        if (at + 1 < segmentEnd && d[at + 1] == '\n') continue;
        const std::size_t length = segmentEnd - (at + 1);
        to -= length;
        if (length > 0) std::memmove(d + to, d + at + 1, length);
        d[--to] = '\n';
        d[--to] = '\r';
        segmentEnd = at;
        --loneCrs;
    }
    std::memmove(d + 2, d, segmentEnd);
    d[0] = '\r';
    d[1] = '\n';
    return text;
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // Plain ASCII eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        const std::size_t len = utf8SequenceLength(p + i, n - i);
        if (len == 0) return i;
        i += len;
    }
    return std::string::npos;
}

std::string validUtf8(std::string bytes) {
    std::size_t bad = firstInvalidUtf8(bytes);
    if (bad == std::string::npos) return bytes;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::string out;
    out.reserve(n + 16);
    out.append(bytes, 0, bad);
    std::size_t i = bad;
    while (i < n) {
        const std::size_t len = utf8SequenceLength(p + i, n - i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes, i, len);
            i += len;
        }
    }
    return out;
}

std::optional<std::string> decodeByMark(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark)) return validUtf8(std::string(bytes.substr(kUtf8Mark.size())));
    if (bytes.starts_with(kUtf16LeMark)) return utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with(kUtf16BeMark)) return utf16ToUtf8(bytes.substr(2), true);
    return std::nullopt;
}

std::string fileTextOf(FileServices& files, std::string bytes) {
    if (std::optional<std::string> marked = decodeByMark(bytes)) return std::move(*marked);
    return files.ansiToText(std::move(bytes));
}

std::string fileBytesOf(FileServices& files, const std::string& text) {
    if (std::optional<std::string> ansi = files.textToAnsi(text)) return std::move(*ansi);
    std::string bytes;
    bytes.reserve(kUtf8Mark.size() + text.size());
    bytes += kUtf8Mark;
    bytes += validUtf8(text);
    return bytes;
}

}  // namespace talvoro
