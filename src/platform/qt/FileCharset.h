#pragma once
// The encoding of text files on Linux: the locale's charset, with GB18030 for files that are not
// valid in it (the Chinese files this program is made for, written on Windows).

#include <optional>
#include <string>

namespace talvoro::qt {

class FileCharset {
public:
    // A charset by its iconv name ("UTF-8", "GB18030", "ISO-8859-1", ...). Plain ASCII (the C
    // locale's charset) counts as UTF-8, which extends it.
    explicit FileCharset(std::string name);
    // The charset of the user's locale (LC_CTYPE as the environment sets it).
    static FileCharset fromLocale();

    const std::string& name() const { return name_; }

    // The bytes as UTF-8 text: decoded in this charset when all of them are valid in it,
    // otherwise all as GB18030 (what no charset can decode shows as U+FFFD). A whole file is
    // read in one encoding: GB2312 byte pairs often happen to be valid UTF-8 too, and mixing
    // would turn them into wrong characters.
    std::string decode(std::string bytes) const;
    // UTF-8 text in this charset; nullopt when the charset lacks one of its characters.
    std::optional<std::string> encode(const std::string& text) const;

private:
    std::string name_;
    bool utf8_;
};

}  // namespace talvoro::qt
