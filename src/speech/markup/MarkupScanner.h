#pragma once
// Splits markup text into what the reader acts on: tags with their attributes, comments and
// declarations to skip, character data, and entities. Whatever does not read as well-formed
// markup is reported as none, and the reader speaks it as text.
//
// Every search for the end of something (a quote, "-->", "?>") remembers where it found nothing,
// so that text full of unfinished markup is still read in linear time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvoro::markup::detail {

// Appends a code point as UTF-8. Code points that XML does not allow in a text (controls other
// than tab, LF and CR; surrogates; U+FFFE and U+FFFF; beyond U+10FFFF) become U+FFFD.
void appendCodePoint(std::string& out, std::uint32_t codePoint);

// Decodes the entity or character reference starting at text[at] == '&' onto `out`: &lt; &gt;
// &amp; &quot; &apos; &#NNN; &#xHH;. Returns how many characters it took, or 0 when none starts
// there (the '&' is then an ordinary character).
std::size_t decodeEntity(std::string_view text, std::size_t at, std::string& out);

// Appends `text` with its entities decoded.
void appendDecoded(std::string& out, std::string_view text);

// Finds one fixed string, remembering the last answer and where the string no longer occurs.
class Finder {
public:
    Finder(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}
    // The first occurrence at or after `from`, or npos.
    std::size_t find(std::size_t from);

private:
    std::string_view text_;
    std::string_view needle_;
    std::size_t absentFrom_ = std::string_view::npos;  // no occurrence starts at or after it
    std::size_t lastFrom_ = std::string_view::npos;
    std::size_t lastFound_ = std::string_view::npos;  // first occurrence at or after lastFrom_
};

struct Attribute {
    std::string_view name;
    std::string value;  // entities decoded
};

// What starts at a '<'.
struct Markup {
    enum class Kind {
        None,           // not markup: the '<' is an ordinary character
        Skipped,        // a comment, processing instruction or declaration
        CharacterData,  // <![CDATA[...]]>: `data` is text, read literally
        StartTag,
        EndTag,
    };
    Kind kind = Kind::None;
    std::size_t end = 0;  // just after the markup
    std::string_view name;
    std::vector<Attribute> attributes;  // start tags
    bool empty = false;                 // a start tag written <name .../>
    std::string_view data;
};

class Scanner {
public:
    explicit Scanner(std::string_view text);
    // Reads the markup at text[at] == '<' into `m`, reusing its storage.
    void read(std::size_t at, Markup& m);

private:
    bool readStartTag(std::size_t at, Markup& m);
    bool readEndTag(std::size_t at, Markup& m);
    bool readDeclaration(std::size_t at, Markup& m);
    std::size_t skipName(std::size_t i) const;
    std::size_t skipBlanks(std::size_t i) const;

    std::string_view text_;
    Attribute spare_;
    Finder quote_;
    Finder apostrophe_;
    Finder commentEnd_;
    Finder instructionEnd_;
    Finder dataEnd_;
    Finder tagEnd_;
    Finder bracket_;
    Finder subsetEnd_;
};

// The first element of a markup text (after blanks, comments, processing instructions and
// declarations) is <speak>.
bool startsWithSpeak(std::string_view text);

}  // namespace talvoro::markup::detail
