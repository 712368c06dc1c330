// The reader of the speech markup.
//
// Rules where the markup leaves a choice:
// - Scope. A tag with content changes what is in force until its end tag. A state tag written
//   empty (<volume>, <rate>, <pitch>, <voice>, <lang>) changes it until the end of the element
//   that holds it: at the top level, for the rest of the Speak call.
// - Crossed or unbalanced end tags. An end tag closes the innermost open element of its name,
//   and every element opened inside it; an end tag with no open element of its name is skipped.
//   <emph><rate speed="5">a</emph>b</rate> speaks "a" emphasised and fast, "b" plainly.
// - Depth. At most kMaxDepth elements are open at once; a start tag deeper than that is read as
//   if written empty (a state tag then lasts until the end of the element that holds it), and
//   the text inside it is spoken as any other.
// - Rate and pitch steps add up as written (SAPI does not truncate them either) and are clamped
//   to -10..10 only in the pieces: <rate speed="20"><rate speed="-10"> is 10.
// - Numbers are read up to the first character that is not a digit ("5.7" is 5); an attribute
//   with no number is ignored. Silences of 0 ms add no piece.
// - <lang langid>: "Language=" and the id in upper case without leading zeros ("0804" →
//   "Language=804"). xml:lang ("zh-CN") becomes "Language=zh-CN" as written; the engine
//   matches either form. xml:lang on <speak> itself is not a voice request: the engine's
//   current voice reads the document.
// - A voice inside another voice: its own attributes are required, the outer ones become
//   optional preferences (a teen inside a female voice: a female teen if there is one).
// - Text consisting only of blanks between two tags is kept when it joins the text piece before
//   it (same settings), and dropped when it would start a piece of its own; the pieces on either
//   side are then not merged, so words stay apart: <emph>a</emph> <emph>b</emph> is "a", "b".
// - <speak> documents also accept the system's own tags. Tags of <speak> documents (prosody,
//   break, p, s, say-as, sub, audio, mark, emphasis...) are unknown in other text.
// - Bytes are passed through as they are (invalid UTF-8 and NUL included); only what the
//   reader writes itself, decoded character references, is always valid UTF-8.
// - <pron sym>: a sym in the Chinese phone set (tone-numbered pinyin) is spoken instead of the
//   tag's content; the phone sets of other languages are not known, and their content is
//   spoken as written.

#include "speech/markup/SpeechMarkup.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "speech/markup/MarkupScanner.h"
#include "speech/markup/MarkupValues.h"

namespace talvoro::markup {

namespace {

using namespace detail;

// Voice attribute lists are short; longer ones are cut so that nesting cannot grow them.
constexpr std::size_t kMaxVoiceText = 512;

// Plain text longer than this is handed out in parts, so that reading can start at once.
constexpr std::size_t kRunLimit = 8192;

// Elements open at once. Every open element keeps what was in force before it, so a text of
// nothing but start tags would cost many times its size; deeper start tags are read as if they
// were written empty. Their text is still spoken.
constexpr std::size_t kMaxDepth = 4096;

enum class TagId {
    Unknown,
    Volume,
    Rate,
    Pitch,
    Emph,
    Spell,
    Silence,
    Bookmark,
    Voice,
    Lang,
    Pron,
    // Only in <speak> documents:
    Prosody,
    Break,
    Emphasis,
    Paragraph,
    SayAs,
    Sub,
    Mark,
    Hidden,
};

struct TagName {
    std::string_view name;
    TagId id;
    bool speakOnly;
};

// Tags not listed (sapi, speak, partofsp, context, audio, phoneme, ...) change nothing;
// their content is spoken. <audio> is never fetched: its content is what it falls back on.
constexpr TagName kTags[] = {
    {"volume", TagId::Volume, false},
    {"rate", TagId::Rate, false},
    {"pitch", TagId::Pitch, false},
    {"emph", TagId::Emph, false},
    {"spell", TagId::Spell, false},
    {"silence", TagId::Silence, false},
    {"bookmark", TagId::Bookmark, false},
    {"voice", TagId::Voice, false},
    {"lang", TagId::Lang, false},
    {"pron", TagId::Pron, false},
    {"prosody", TagId::Prosody, true},
    {"break", TagId::Break, true},
    {"emphasis", TagId::Emphasis, true},
    {"p", TagId::Paragraph, true},
    {"s", TagId::Paragraph, true},
    {"paragraph", TagId::Paragraph, true},
    {"sentence", TagId::Paragraph, true},
    {"say-as", TagId::SayAs, true},
    {"sub", TagId::Sub, true},
    {"mark", TagId::Mark, true},
    {"desc", TagId::Hidden, true},
    {"metadata", TagId::Hidden, true},
    {"lexicon", TagId::Hidden, true},
    {"meta", TagId::Hidden, true},
};

TagId tagId(std::string_view name, bool speakDocument) {
    for (const TagName& t : kTags)
        if (sameText(name, t.name)) return t.speakOnly && !speakDocument ? TagId::Unknown : t.id;
    return TagId::Unknown;
}

// Tags whose empty form changes what follows.
bool changesWhatFollows(TagId id) {
    return id == TagId::Volume || id == TagId::Rate || id == TagId::Pitch || id == TagId::Voice ||
           id == TagId::Lang;
}

const std::string* attribute(const Markup& m, std::string_view name) {
    for (const Attribute& a : m.attributes)
        if (sameText(a.name, name)) return &a.value;
    return nullptr;
}

long long bounded(long long v) {
    return std::clamp(v, -kNumberBound, kNumberBound);
}

long long bounded(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<long long>(std::clamp(v, -double(kNumberBound), double(kNumberBound)));
}

// Joins "A=1;B=2" lists, leaving out empty ones and whatever would make the list too long.
void appendVoiceText(std::string& list, std::string_view more) {
    if (more.empty() || list.size() + more.size() + 1 > kMaxVoiceText) return;
    if (!list.empty()) list.push_back(';');
    list.append(more);
}

// What is in force at a point of the text.
struct State {
    long long rate = 0;   // steps, clamped only in the pieces
    long long pitch = 0;  // steps, clamped only in the pieces
    int volume = 100;     // the markup's level, a percentage of the engine's volume
    bool emphasis = false;
    bool spell = false;
    bool hidden = false;  // content not to be spoken (<sub>, <desc>, <metadata>)
    std::shared_ptr<const VoiceRequest> voice;
};

// An open element: its name and what was in force before it.
struct Frame {
    std::string name;  // lower case
    State before;
    bool boundary;  // its end separates pieces
};

// Collects the pieces, merging adjacent text with the same settings.
class Output {
public:
    explicit Output(const Settings& engine) : engine_(engine) {}

    void text(std::string&& s, const State& state) {
        if (state.hidden || s.empty()) return;
        Piece p = resolve(state);
        if (canMerge(p)) {
            pieces_.back().text += s;
        } else if (isBlank(s)) {
            separated_ = true;  // dropped, but still keeps the words around it apart
        } else {
            p.text = std::move(s);
            pieces_.push_back(std::move(p));
            separated_ = false;
        }
    }

    void silence(long long ms, const State& state) {
        if (state.hidden || ms <= 0) return;
        Piece p = resolve(state);
        p.kind = PieceKind::Silence;
        p.silenceMs = static_cast<int>(std::min<long long>(ms, kMaxSilenceMs));
        add(std::move(p));
    }

    void pinyin(std::string&& syllables, const State& state) {
        if (state.hidden) return;
        Piece p = resolve(state);
        p.kind = PieceKind::Pinyin;
        p.text = std::move(syllables);
        add(std::move(p));
    }

    void bookmark(const std::string& name, const State& state) {
        if (state.hidden) return;
        Piece p = resolve(state);
        p.kind = PieceKind::Bookmark;
        p.text = name;
        add(std::move(p));
    }

    // The text before and after is not merged into one piece.
    void separate() { separated_ = true; }

    // Whether the first piece is complete: nothing more can join it.
    bool ready() const { return pieces_.size() > 1 || (!pieces_.empty() && separated_); }
    bool empty() const { return pieces_.empty(); }
    Piece take() {
        Piece p = std::move(pieces_.front());
        pieces_.pop_front();
        return p;
    }

private:
    static bool isBlank(const std::string& s) {
        return s.find_first_not_of(" \t\r\n") == std::string::npos;
    }

    static bool sameSettings(const Piece& a, const Piece& b) {
        return a.rate == b.rate && a.volume == b.volume && a.pitch == b.pitch &&
               a.emphasis == b.emphasis && a.spell == b.spell && a.voice == b.voice;
    }

    // A piece grows only so long: text in many tags that change nothing is handed out in parts
    // as well, and a long text starts sounding before it has all been read.
    bool canMerge(const Piece& p) const {
        return !separated_ && !pieces_.empty() && pieces_.back().kind == PieceKind::Text &&
               pieces_.back().text.size() < kRunLimit && sameSettings(pieces_.back(), p);
    }

    void add(Piece&& p) {
        pieces_.push_back(std::move(p));
        separated_ = false;
    }

    Piece resolve(const State& s) const {
        Piece p;
        p.rate = static_cast<int>(std::clamp<long long>(s.rate, -10, 10));
        p.pitch = static_cast<int>(std::clamp<long long>(s.pitch, -10, 10));
        p.volume = (std::clamp(engine_.volume, 0, 100) * s.volume + 50) / 100;
        p.emphasis = s.emphasis;
        p.spell = s.spell;
        if (s.voice) p.voice = *s.voice;
        return p;
    }

    Settings engine_;
    std::deque<Piece> pieces_;
    bool separated_ = false;
};

class Reader {
public:
    Reader(std::string_view text, const Settings& engine)
        : text_(text), scanner_(text), out_(engine) {
        initial_.rate = std::clamp(engine.rate, -10, 10);
        initial_.pitch = std::clamp(engine.pitch, -10, 10);
        state_ = initial_;
        speakDocument_ = startsWithSpeak(text);
    }

    // The next piece, or nullopt after the last. Reads only as far as it needs to: a piece is
    // complete once what follows cannot join it, and a long run of text is handed out in parts.
    std::optional<Piece> next() {
        while (!out_.ready() && i_ < text_.size()) step();
        if (!out_.ready() && i_ >= text_.size() && !ended_) {
            ended_ = true;
            flush();
            out_.separate();
        }
        if (out_.empty()) return std::nullopt;
        return out_.take();
    }

private:
    // Reads the next stretch of plain text, or one entity or piece of markup.
    void step() {
        const std::size_t n = text_.size();
        if (i_ >= n) return;
        if (i_ < dataEnd_) {
            // Inside a CDATA section: text as it stands, taken a run at a time as well.
            if (run_.size() >= kRunLimit) {
                handOutPartOfRun();
                return;
            }
            const std::size_t to = std::min(dataEnd_, i_ + (kRunLimit - run_.size()));
            run_.append(text_.substr(i_, to - i_));
            i_ = to == dataEnd_ ? dataEnd_ + 3 : to;  // past "]]>" at its end
            return;
        }
        if (text_[i_] != '<' && text_[i_] != '&') {
            if (run_.size() >= kRunLimit) {
                handOutPartOfRun();
                return;
            }
            // Looks only as far as the run can take: a text with no markup at all is not
            // searched to its end before its first words are spoken.
            const std::size_t to = std::min(n, i_ + (kRunLimit - run_.size()));
            std::size_t stop = text_.substr(0, to).find_first_of("<&", i_);
            if (stop == std::string_view::npos) stop = to;
            run_.append(text_.substr(i_, stop - i_));
            i_ = stop;
            if (run_.size() >= kRunLimit) handOutPartOfRun();
            return;
        }
        if (text_[i_] == '&') {
            const std::size_t taken = decodeEntity(text_, i_, run_);
            if (taken == 0) run_.push_back('&');
            i_ += taken == 0 ? 1 : taken;
            return;
        }
        scanner_.read(i_, markup_);
        switch (markup_.kind) {
            case Markup::Kind::None:
                run_.push_back('<');
                ++i_;
                return;
            case Markup::Kind::CharacterData:
                if (markup_.data.empty()) break;
                dataEnd_ = markup_.end - 3;
                i_ = dataEnd_ - markup_.data.size();
                return;
            case Markup::Kind::Skipped:
                break;
            case Markup::Kind::StartTag:
                flush();
                startTag();
                break;
            case Markup::Kind::EndTag:
                flush();
                endTag();
                break;
        }
        i_ = markup_.end;
    }

    // Hands out the run up to its last line break or blank (or, with neither, a whole
    // character), so that a long text starts sounding before the rest has been read.
    void handOutPartOfRun() {
        std::size_t cut = run_.find_last_of('\n');
        if (cut == std::string::npos || cut < run_.size() / 2) {
            const std::size_t blank = run_.find_last_of(" \t");
            if (blank != std::string::npos && blank >= run_.size() / 2) cut = blank;
        }
        if (cut == std::string::npos || cut < run_.size() / 2) {
            // The part ends just before the last character that starts in the run.
            std::size_t start = run_.size() - 1;
            while (start > 0 && (static_cast<unsigned char>(run_[start]) & 0xC0) == 0x80) --start;
            cut = start > 0 ? start - 1 : run_.size() - 1;
        }
        std::string rest = run_.substr(cut + 1);
        run_.resize(cut + 1);
        flush();
        out_.separate();
        run_ = std::move(rest);
    }

    void flush() {
        out_.text(std::move(run_), state_);
        run_.clear();
    }

    static std::string lowerName(std::string_view name) {
        std::string s(name);
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }

    void startTag() {
        const TagId id = tagId(markup_.name, speakDocument_);
        State next = state_;
        const bool boundary = apply(id, next);
        if (markup_.empty || frames_.size() >= kMaxDepth) {
            if (changesWhatFollows(id)) state_ = std::move(next);
            return;
        }
        std::string name = lowerName(markup_.name);
        ++openCount_[name];
        frames_.push_back(Frame{std::move(name), std::move(state_), boundary});
        state_ = std::move(next);
    }

    void endTag() {
        const auto count = openCount_.find(lowerName(markup_.name));
        if (count == openCount_.end() || count->second == 0) return;
        bool boundary = false;
        for (;;) {
            Frame& f = frames_.back();
            boundary = boundary || f.boundary;
            const bool found = f.name == count->first;
            // Names of elements no longer open are forgotten: a text of many different
            // elements keeps no trace of each.
            if (const auto open = openCount_.find(f.name); --open->second == 0 && !found)
                openCount_.erase(open);
            state_ = std::move(f.before);
            frames_.pop_back();
            if (found) break;
        }
        if (count->second == 0) openCount_.erase(count);
        if (boundary) out_.separate();
    }

    // Applies a start tag to `s`, emitting what it inserts; returns whether its end separates
    // pieces.
    bool apply(TagId id, State& s) {
        switch (id) {
            case TagId::Volume:
                if (auto v = number("level"))
                    s.volume = static_cast<int>(std::clamp(*v, 0LL, 100LL));
                break;
            case TagId::Rate:
                steps(s.rate, "absspeed", "speed");
                break;
            case TagId::Pitch:
                steps(s.pitch, "absmiddle", "middle");
                break;
            case TagId::Emph:
                s.emphasis = true;
                break;
            case TagId::Spell:
                s.spell = true;
                break;
            case TagId::Silence:
                if (auto ms = number("msec")) out_.silence(*ms, s);
                break;
            case TagId::Bookmark:
            case TagId::Mark:
                if (const std::string* name =
                        attribute(markup_, id == TagId::Mark ? "name" : "mark"))
                    out_.bookmark(*name, s);
                break;
            case TagId::Voice:
            case TagId::Lang:
                voice(s);
                break;
            case TagId::Prosody:
                prosody(s);
                break;
            case TagId::Break:
                out_.silence(breakMs(view("time"), view("strength")), s);
                break;
            case TagId::Emphasis: {
                const auto level = view("level");
                s.emphasis = !level || !(sameText(*level, "none") || sameText(*level, "reduced"));
                break;
            }
            case TagId::Paragraph:
                out_.separate();
                return true;
            case TagId::SayAs: {
                const auto kind = view("interpret-as");
                if (kind && (sameText(*kind, "characters") || sameText(*kind, "spell-out") ||
                             sameText(*kind, "letters") || sameText(*kind, "verbatim")))
                    s.spell = true;
                break;
            }
            case TagId::Pron:
                if (const std::string* sym = attribute(markup_, "sym"))
                    if (auto syllables = pinyinFromSym(*sym)) {
                        out_.pinyin(std::move(*syllables), s);
                        s.hidden = true;
                    }
                break;
            case TagId::Sub:
                if (const std::string* alias = attribute(markup_, "alias")) {
                    out_.text(std::string(*alias), s);
                    s.hidden = true;
                }
                break;
            case TagId::Hidden:
                s.hidden = true;
                break;
            case TagId::Unknown:
                break;
        }
        return false;
    }

    std::optional<std::string_view> view(std::string_view name) const {
        if (const std::string* v = attribute(markup_, name)) return std::string_view(*v);
        return std::nullopt;
    }

    std::optional<long long> number(std::string_view name) const {
        const std::string* v = attribute(markup_, name);
        return v ? parseWhole(*v) : std::nullopt;
    }

    // <rate> and <pitch>: an absolute value replaces what is in force, a relative one adds to
    // it (absolute first when both are written).
    void steps(long long& value, std::string_view absolute, std::string_view relative) const {
        if (auto v = number(absolute)) {
            value = *v;
        } else if (auto d = number(relative)) {
            value = bounded(value + *d);
        }
    }

    static void adjust(long long& value, const Adjustment& a, long long engineValue) {
        switch (a.kind) {
            case Adjustment::Kind::Set:
                value = bounded(a.amount);
                break;
            case Adjustment::Kind::Add:
                value = bounded(value + bounded(a.amount));
                break;
            case Adjustment::Kind::Scale:
                value = bounded(std::round(value * a.amount));
                break;
            case Adjustment::Kind::Default:
                value = engineValue;
                break;
            case Adjustment::Kind::None:
                break;
        }
    }

    void prosody(State& s) const {
        if (auto v = view("rate")) adjust(s.rate, prosodyRate(*v), initial_.rate);
        if (auto v = view("pitch")) adjust(s.pitch, prosodyPitch(*v), initial_.pitch);
        if (auto v = view("volume")) {
            long long level = s.volume;
            adjust(level, prosodyVolume(*v), 100);
            s.volume = static_cast<int>(std::clamp(level, 0LL, 100LL));
        }
    }

    // <voice> and <lang>, in either dialect.
    void voice(State& s) const {
        VoiceRequest request;
        std::string language;
        if (const std::string* id = attribute(markup_, "langid")) {
            if (auto hex = languageId(*id)) language = *hex;
        }
        if (const std::string* lang = attribute(markup_, "xml:lang"); lang && language.empty())
            language = singleValue(*lang);
        if (auto v = view("required")) appendVoiceText(request.required, *v);
        if (auto v = view("name")) appendVoiceText(request.required, "Name=" + singleValue(*v));
        if (auto v = view("gender"); v && genderValue(*v))
            appendVoiceText(request.required, "Gender=" + singleValue(*genderValue(*v)));
        if (!language.empty()) appendVoiceText(request.required, "Language=" + language);
        if (auto v = view("optional")) appendVoiceText(request.optional, *v);
        if (auto v = view("age"); v && ageGroup(*v))
            appendVoiceText(request.optional, "Age=" + *ageGroup(*v));
        if (request.required.empty() && request.optional.empty()) return;
        if (s.voice) {
            appendVoiceText(request.optional, s.voice->required);
            appendVoiceText(request.optional, s.voice->optional);
        }
        s.voice = std::make_shared<const VoiceRequest>(std::move(request));
    }

    // A value from an attribute that holds one value: ';' and '=' would start another.
    static std::string singleValue(std::string_view v) {
        std::string s;
        for (char c : v)
            if (c != ';' && c != '=') s.push_back(c);
        return s;
    }

    std::string_view text_;
    Scanner scanner_;
    Output out_;
    Markup markup_;
    State initial_;
    State state_;
    bool speakDocument_ = false;
    std::string run_;  // text read since the last tag
    std::vector<Frame> frames_;
    std::unordered_map<std::string, long long> openCount_;
    std::size_t i_ = 0;        // how far the text has been read
    std::size_t dataEnd_ = 0;  // where the CDATA section being read ends
    bool ended_ = false;
};

bool isMarkup(std::string_view text, int flags) {
    if (flags & kFlagIsNotXml) return false;
    if (flags & kFlagIsXml) return true;
    return !text.empty() && text.front() == '<';
}

// Where the part of literal text starting at `at` ends: after its last line break or blank in
// the second half of a run's length, else before a character.
std::size_t literalPartEnd(std::string_view text, std::size_t at) {
    if (text.size() - at <= kRunLimit) return text.size();
    const std::string_view part = text.substr(at, kRunLimit);
    for (const char* breaks : {"\n", " \t"}) {
        const std::size_t cut = part.find_last_of(breaks);
        if (cut != std::string_view::npos && cut >= kRunLimit / 2) return at + cut + 1;
    }
    // As the engine cuts its chunks: before the first byte of the character at the limit, or at
    // the limit when four continuation bytes there show that it lies in no character.
    const std::size_t end = at + kRunLimit;
    for (std::size_t back = 0; back < 4; ++back)
        if ((static_cast<unsigned char>(text[end - back]) & 0xC0) != 0x80) return end - back;
    return end;
}

}  // namespace

struct SpeechReader::Impl {
    Impl(std::shared_ptr<const std::string> t, int flags, const Settings& settings)
        : text(std::move(t)) {
        std::string_view view(*text);
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        const bool bom = view.starts_with(kByteOrderMark);
        if (!isMarkup(view.substr(bom ? kByteOrderMark.size() : 0), flags)) {
            literal.emplace();
            literal->rate = std::clamp(settings.rate, -10, 10);
            literal->pitch = std::clamp(settings.pitch, -10, 10);
            literal->volume = std::clamp(settings.volume, 0, 100);
            return;
        }
        if (bom) view.remove_prefix(kByteOrderMark.size());
        reader = std::make_unique<Reader>(view, settings);
    }

    // Literal text, handed out in parts as it stands.
    std::optional<Piece> nextLiteral() {
        const std::string_view view(*text);
        if (literalAt >= view.size()) return std::nullopt;
        const std::size_t end = literalPartEnd(view, literalAt);
        Piece p = *literal;
        p.text.assign(view.substr(literalAt, end - literalAt));
        literalAt = end;
        return p;
    }

    std::shared_ptr<const std::string> text;  // read in place
    std::optional<Piece> literal;             // the settings of literal text's pieces
    std::size_t literalAt = 0;                // how far literal text has been handed out
    std::unique_ptr<Reader> reader;
};

SpeechReader::SpeechReader(std::shared_ptr<const std::string> text, int flags,
                           const Settings& settings)
    : impl_(std::make_unique<Impl>(std::move(text), flags, settings)) {}

SpeechReader::SpeechReader(std::string text, int flags, const Settings& settings)
    : SpeechReader(std::make_shared<const std::string>(std::move(text)), flags, settings) {}

SpeechReader::~SpeechReader() = default;

std::optional<Piece> SpeechReader::next() {
    if (impl_->literal) return impl_->nextLiteral();
    if (!impl_->reader) return std::nullopt;
    return impl_->reader->next();
}

std::vector<Piece> readSpeech(const std::string& text, int flags, const Settings& settings) {
    std::vector<Piece> pieces;
    SpeechReader reader(text, flags, settings);
    while (auto p = reader.next()) pieces.push_back(std::move(*p));
    return pieces;
}

}  // namespace talvoro::markup
