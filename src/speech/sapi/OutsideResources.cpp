#include "speech/sapi/OutsideResources.h"

#include <algorithm>

#include "speech/markup/MarkupScanner.h"

namespace talvoro::sapi {
namespace {

using markup::detail::Markup;
using markup::detail::Scanner;

constexpr auto npos = std::string_view::npos;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNameChar(char c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '-' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool sameLetters(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

// <audio>, <ssml:audio>, <LEXICON>: the name after any namespace prefix.
bool namesOutsideElement(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    const std::string_view local = colon == npos ? name : name.substr(colon + 1);
    return sameLetters(local, "audio") || sameLetters(local, "lexicon");
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

// A tag as it stands, but for a '<' inside an attribute's value, which no parser should take for
// the start of another tag and none is given the chance to.
void appendTag(std::string& out, std::string_view tag) {
    out.push_back('<');
    for (const char c : tag.substr(1)) {
        if (c == '<')
            out += "&lt;";
        else
            out.push_back(c);
    }
}

void appendEscaped(std::string& out, std::string_view data) {
    for (const char c : data) {
        if (c == '<')
            out += "&lt;";
        else if (c == '&')
            out += "&amp;";
        else
            out.push_back(c);
    }
}

}  // namespace

bool namesOutsideResources(std::string_view text) {
    for (std::size_t lt = text.find('<'); lt != npos; lt = text.find('<', lt + 1)) {
        std::size_t i = skipBlanks(text, lt + 1);
        if (i < text.size() && text[i] == '!') {
            // A declaration; comments (<!--) and CDATA sections (<![) name nothing.
            i = skipBlanks(text, i + 1);
            if (i < text.size() && isLetter(text[i])) return true;
            continue;
        }
        if (i < text.size() && text[i] == '/') i = skipBlanks(text, i + 1);
        std::size_t end = i;
        while (end < text.size() && isNameChar(text[end])) ++end;
        if (end > i && namesOutsideElement(text.substr(i, end - i))) return true;
    }
    return false;
}

// Markup is copied a whole piece at a time, as the service's parser will read it, and the text
// between pieces holds no '<': so what is left out leaves only whole pieces side by side.
std::string withoutOutsideResources(std::string_view text) {
    if (!namesOutsideResources(text)) return std::string(text);
    Scanner scanner(text);
    Markup m;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t lt = text.find('<', i);
        if (lt == npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, lt - i));
        scanner.read(lt, m);
        switch (m.kind) {
            case Markup::Kind::None:
                out += "&lt;";
                i = lt + 1;
                continue;
            case Markup::Kind::Skipped:
                break;
            case Markup::Kind::CharacterData:
                appendEscaped(out, m.data);
                break;
            case Markup::Kind::StartTag:
            case Markup::Kind::EndTag:
                // A blank keeps the words on either side of a dropped tag apart.
                if (namesOutsideElement(m.name))
                    out.push_back(' ');
                else
                    appendTag(out, text.substr(lt, m.end - lt));
                break;
        }
        i = m.end;
    }
    return out;
}

std::string textForSpeaking(std::string_view text, unsigned& flags) {
    std::string readable(text);
    std::replace(readable.begin(), readable.end(), '\0', ' ');
    bool markup = (flags & kSpeakIsXml) != 0;
    if (!markup && !(flags & kSpeakIsNotXml)) {
        const std::size_t first = readable.find_first_not_of(" \t\r\n");
        markup = first != npos && readable[first] == '<';
    }
    if (markup && namesOutsideResources(readable)) {
        readable = withoutOutsideResources(readable);
        flags |= kSpeakIsXml;
    }
    return readable;
}

}  // namespace talvoro::sapi
