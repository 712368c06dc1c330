#include "speech/markup/MarkupScanner.h"

#include "speech/markup/MarkupValues.h"

namespace talvoro::markup::detail {

namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::size_t kMaxAttributes = 16;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool startsAt(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.size() - at >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

// The characters XML allows. A reference to any other (a control character above all, which the
// speech engine would read as a command of its own) stands for U+FFFD.
bool xmlCharacter(std::uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

}  // namespace

void appendCodePoint(std::string& out, std::uint32_t cp) {
    if (!xmlCharacter(cp)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t decodeEntity(std::string_view text, std::size_t at, std::string& out) {
    struct Named {
        std::string_view name;
        char value;
    };
    static constexpr Named kNamed[] = {
        {"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const Named& e : kNamed) {
        if (startsAt(text, at + 1, e.name)) {
            out.push_back(e.value);
            return 1 + e.name.size();
        }
    }
    if (!startsAt(text, at + 1, "#")) return 0;
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    constexpr std::uint32_t kTooBig = 0x110000;
    std::uint32_t value = 0;
    const std::size_t firstDigit = i;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        if (value > kTooBig) value = kTooBig;
    }
    if (i == firstDigit || i >= text.size() || text[i] != ';') return 0;
    appendCodePoint(out, value);
    return i + 1 - at;
}

void appendDecoded(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find('&', i);
        if (amp == npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, amp - i));
        const std::size_t taken = decodeEntity(text, amp, out);
        if (taken == 0) out.push_back('&');
        i = amp + (taken == 0 ? 1 : taken);
    }
}

std::size_t Finder::find(std::size_t from) {
    if (from >= absentFrom_ || from >= text_.size()) return npos;
    if (lastFound_ != npos && from >= lastFrom_ && from <= lastFound_) return lastFound_;
    // Past absentFrom_ nothing starts, so the search can stop there.
    std::string_view range = text_.substr(from);
    if (absentFrom_ != npos) range = range.substr(0, absentFrom_ - from + needle_.size() - 1);
    const std::size_t found = range.find(needle_);
    if (found == npos) {
        absentFrom_ = from;
        return npos;
    }
    lastFrom_ = from;
    lastFound_ = from + found;
    return lastFound_;
}

Scanner::Scanner(std::string_view text)
    : text_(text),
      quote_(text, "\""),
      apostrophe_(text, "'"),
      commentEnd_(text, "-->"),
      instructionEnd_(text, "?>"),
      dataEnd_(text, "]]>"),
      tagEnd_(text, ">"),
      bracket_(text, "["),
      subsetEnd_(text, "]>") {}

std::size_t Scanner::skipName(std::size_t i) const {
    while (i < text_.size() && isNameChar(text_[i])) ++i;
    return i;
}

std::size_t Scanner::skipBlanks(std::size_t i) const {
    while (i < text_.size() && isBlank(text_[i])) ++i;
    return i;
}

void Scanner::read(std::size_t at, Markup& m) {
    m.kind = Markup::Kind::None;
    m.attributes.clear();
    m.empty = false;
    const std::size_t n = text_.size();
    if (at + 1 >= n) return;
    const char next = text_[at + 1];
    if (isNameStart(next)) {
        if (readStartTag(at, m)) m.kind = Markup::Kind::StartTag;
    } else if (next == '/') {
        if (readEndTag(at, m)) m.kind = Markup::Kind::EndTag;
    } else if (startsAt(text_, at, "<!--")) {
        const std::size_t close = commentEnd_.find(at + 4);
        if (close != npos) {
            m.kind = Markup::Kind::Skipped;
            m.end = close + 3;
        }
    } else if (startsAt(text_, at, "<![CDATA[")) {
        const std::size_t close = dataEnd_.find(at + 9);
        if (close != npos) {
            m.kind = Markup::Kind::CharacterData;
            m.data = text_.substr(at + 9, close - (at + 9));
            m.end = close + 3;
        }
    } else if (next == '!') {
        if (readDeclaration(at, m)) m.kind = Markup::Kind::Skipped;
    } else if (next == '?' && at + 2 < n && isNameStart(text_[at + 2])) {
        const std::size_t close = instructionEnd_.find(at + 2);
        if (close != npos) {
            m.kind = Markup::Kind::Skipped;
            m.end = close + 2;
        }
    }
}

bool Scanner::readStartTag(std::size_t at, Markup& m) {
    const std::size_t n = text_.size();
    std::size_t i = skipName(at + 1);
    m.name = text_.substr(at + 1, i - (at + 1));
    for (;;) {
        i = skipBlanks(i);
        if (i >= n) return false;
        if (text_[i] == '>') {
            m.end = i + 1;
            return true;
        }
        if (text_[i] == '/') {
            if (i + 1 >= n || text_[i + 1] != '>') return false;
            m.empty = true;
            m.end = i + 2;
            return true;
        }
        if (!isNameStart(text_[i])) return false;
        const std::size_t nameStart = i;
        i = skipName(i);
        // Tags need a few attributes: the rest are read, to know where the tag ends, not kept.
        Attribute& a = m.attributes.size() < kMaxAttributes ? m.attributes.emplace_back() : spare_;
        a.name = text_.substr(nameStart, i - nameStart);
        a.value.clear();
        const std::size_t afterName = i;
        i = skipBlanks(i);
        if (i >= n || text_[i] != '=') {
            i = afterName;  // an attribute without a value
            continue;
        }
        i = skipBlanks(i + 1);
        if (i >= n) return false;
        if (text_[i] == '"' || text_[i] == '\'') {
            const std::size_t close = (text_[i] == '"' ? quote_ : apostrophe_).find(i + 1);
            if (close == npos) return false;
            appendDecoded(a.value, text_.substr(i + 1, close - (i + 1)));
            i = close + 1;
            continue;
        }
        const std::size_t valueStart = i;
        while (i < n && !isBlank(text_[i]) && text_[i] != '>' &&
               !(text_[i] == '/' && i + 1 < n && text_[i + 1] == '>')) {
            const char c = text_[i];
            if (c == '<' || c == '"' || c == '\'' || c == '=' || c == '`') return false;
            ++i;
        }
        if (i == valueStart) return false;
        appendDecoded(a.value, text_.substr(valueStart, i - valueStart));
    }
}

bool Scanner::readEndTag(std::size_t at, Markup& m) {
    const std::size_t n = text_.size();
    if (at + 2 >= n || !isNameStart(text_[at + 2])) return false;
    const std::size_t nameEnd = skipName(at + 2);
    const std::size_t i = skipBlanks(nameEnd);
    if (i >= n || text_[i] != '>') return false;
    m.name = text_.substr(at + 2, nameEnd - (at + 2));
    m.end = i + 1;
    return true;
}

// <!DOCTYPE ...> and the like, with an internal subset in [...] if there is one.
bool Scanner::readDeclaration(std::size_t at, Markup& m) {
    if (at + 2 >= text_.size() || !isNameStart(text_[at + 2])) return false;
    std::size_t close = tagEnd_.find(at + 2);
    if (close == npos) return false;
    const std::size_t open = bracket_.find(at + 2);
    if (open != npos && open < close) {
        close = subsetEnd_.find(open + 1);
        if (close == npos) return false;
        ++close;
    }
    m.end = close + 1;
    return true;
}

bool startsWithSpeak(std::string_view text) {
    Scanner scanner(text);
    Markup m;
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i >= text.size() || text[i] != '<') return false;
        scanner.read(i, m);
        if (m.kind == Markup::Kind::StartTag) return sameText(m.name, "speak");
        if (m.kind != Markup::Kind::Skipped) return false;
        i = m.end;
    }
}

}  // namespace talvoro::markup::detail
