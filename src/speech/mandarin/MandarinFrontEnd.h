#pragma once
// The Mandarin reading front end: turns one piece of text into runs that the engine's voices read
// right. Han text becomes tone-numbered pinyin for espeak-ng's pinyin voice (cmn-latn-pinyin),
// Latin-script words inside Chinese go to an English voice, and the rest stays with the voice
// ticked in the voice menu. Standard library only; no engine, no toolkit.
//
// What it promises:
// - Any bytes are accepted: invalid UTF-8 comes out as U+FFFD, control characters are passed on
//   unchanged in English and ticked-voice runs (the engine's funnel strips them) and act as a
//   word break in Mandarin runs. Nothing throws once a dictionary is open, and the time and the
//   memory a call takes grow linearly with the piece, whatever it holds (10,000-digit numbers,
//   a megabyte of punctuation, scripts changing at every character).
// - Only the piece given is looked at: the caller cuts long texts into pieces of a few hundred
//   bytes to a few kilobytes, and the first run is ready after the first piece.
// - A Mandarin run holds lowercase pinyin syllables with tone digits 1-5 (5: neutral), separated
//   by single spaces, with the tone changes of 一 and 不 already made: "wo3 mei3 tian1". Clause
//   punctuation is written ", " (，、 and the like), "; ", ": ", "? ", "! ", and a full stop as
//   "。 ", because espeak-ng takes "." before a lowercase word for an abbreviation and would read
//   on without the pause. Third-tone changes are left to espeak-ng, which stops them at these
//   marks just as a reader does.
// - Digits, signs and units are read the Chinese way where they stand in Chinese, and stay with
//   the English or ticked voice in Latin-script text.
// - An English or ticked-voice run holds the original text of its words, spaces and punctuation
//   between them included, fullwidth letters and digits turned into ASCII ones.
// - Adjacent runs never have the same target; empty runs are never returned.
// - A Dictionary and a FrontEnd are immutable once made: calls from several threads at once
//   are safe.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace talvoro::mandarin {

// The script that the voice ticked in the voice menu reads.
enum class TickedScript {
    Han,    // a Mandarin voice: numbers in text without Latin words are read in Chinese
    Latin,  // English, French, ...: Latin-script words stay with it
    Other,  // Cyrillic, Greek, ...: Latin words inside Chinese go to English
};

enum class Target {
    Mandarin,     // pinyin for espeak-ng's cmn-latn-pinyin voice
    English,      // text for an English voice (espeak-ng's "en")
    TickedVoice,  // text for the voice ticked in the voice menu
};

struct Run {
    Target target = Target::TickedVoice;
    std::string text;
    bool operator==(const Run&) const = default;
};

class DictionaryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The readings of Chinese words, built from Debian's Rime and OpenCC data when Talvoro is built,
// mapped read-only from one file. Opening it reads only its header and checks its tables' bounds.
class Dictionary {
public:
    // The file's name. It is found, from the directory that holds the running program or the
    // engine module, at the first of:
    //   <dir>/mandarin.dict                       the build tree (build/bin/)
    //   <dir>/../share/talvoro/mandarin.dict      installed, from <prefix>/bin
    //   <dir>/../../share/talvoro/mandarin.dict   installed, from <prefix>/lib/talvoro
    static constexpr const char* kFileName = "mandarin.dict";
    // The first of those paths that names a regular file, or "" when none does.
    static std::string locate(const std::string& binaryDir);

    // Throws DictionaryError, saying why, when the file cannot be read or is not a dictionary
    // of this version.
    static std::shared_ptr<const Dictionary> open(const std::string& path);

private:
    struct Passkey;  // only open() makes dictionaries

public:
    explicit Dictionary(const Passkey&);
    ~Dictionary();
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    std::size_t fileSize() const;
    std::size_t wordCount() const;

    // Internal view of the tables, for the segmenter.
    struct Tables;
    const Tables& tables() const { return *tables_; }

private:
    std::unique_ptr<Tables> tables_;
};

class FrontEnd {
public:
    // The dictionary must not be null.
    explicit FrontEnd(std::shared_ptr<const Dictionary> dictionary);
    ~FrontEnd();

    // The runs of one piece of UTF-8 text, in order.
    std::vector<Run> read(std::string_view piece, TickedScript ticked) const;

private:
    std::shared_ptr<const Dictionary> dictionary_;
};

}  // namespace talvoro::mandarin
