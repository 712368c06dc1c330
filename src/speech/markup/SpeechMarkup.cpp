// The reader of the speech markup.
//
// Rules where the markup leaves a choice:
// - Scope. A tag with content changes what is in force until its end tag. A state tag written
//   empty (<volume>, <rate>, <pitch>, <voice>, <lang>) changes it until the end of the element
//   that holds it: at the top level, for the rest of the Speak call.
// - Crossed or unbalanced end tags. An end tag closes the innermost open element of its name,
//   and every element opened inside it; an end tag with no open element of its name is skipped.
//   <emph><rate speed="5">a</emph>b</rate> speaks "a" emphasised and fast, "b" plainly.
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

#include "speech/markup/SpeechMarkup.h"

#include <algorithm>
#include <cmath>
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

// Tags not listed (sapi, speak, pron, partofsp, context, audio, phoneme, ...) change nothing;
// their content is spoken. <audio> is never fetched: its content is what it falls back on.
constexpr TagName kTags[] = {
    {"volume", TagId::Volume, false},      {"rate", TagId::Rate, false},
    {"pitch", TagId::Pitch, false},        {"emph", TagId::Emph, false},
    {"spell", TagId::Spell, false},        {"silence", TagId::Silence, false},
    {"bookmark", TagId::Bookmark, false},  {"voice", TagId::Voice, false},
    {"lang", TagId::Lang, false},          {"prosody", TagId::Prosody, true},
    {"break", TagId::Break, true},         {"emphasis", TagId::Emphasis, true},
    {"p", TagId::Paragraph, true},         {"s", TagId::Paragraph, true},
    {"paragraph", TagId::Paragraph, true}, {"sentence", TagId::Paragraph, true},
    {"say-as", TagId::SayAs, true},        {"sub", TagId::Sub, true},
    {"mark", TagId::Mark, true},           {"desc", TagId::Hidden, true},
    {"metadata", TagId::Hidden, true},     {"lexicon", TagId::Hidden, true},
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

    void bookmark(const std::string& name, const State& state) {
        if (state.hidden) return;
        Piece p = resolve(state);
        p.kind = PieceKind::Bookmark;
        p.text = name;
        add(std::move(p));
    }

    // The text before and after is not merged into one piece.
    void separate() { separated_ = true; }

    std::vector<Piece> finish() { return std::move(pieces_); }

private:
    static bool isBlank(const std::string& s) {
        return s.find_first_not_of(" \t\r\n") == std::string::npos;
    }

    static bool sameSettings(const Piece& a, const Piece& b) {
        return a.rate == b.rate && a.volume == b.volume && a.pitch == b.pitch &&
               a.emphasis == b.emphasis && a.spell == b.spell && a.voice == b.voice;
    }

    bool canMerge(const Piece& p) const {
        return !separated_ && !pieces_.empty() && pieces_.back().kind == PieceKind::Text &&
               sameSettings(pieces_.back(), p);
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
    std::vector<Piece> pieces_;
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

    std::vector<Piece> read() {
        const std::size_t n = text_.size();
        std::size_t i = 0;
        while (i < n) {
            const std::size_t next = text_.find_first_of("<&", i);
            if (next == std::string_view::npos) {
                run_.append(text_.substr(i));
                break;
            }
            run_.append(text_.substr(i, next - i));
            i = next;
            if (text_[i] == '&') {
                const std::size_t taken = decodeEntity(text_, i, run_);
                if (taken == 0) run_.push_back('&');
                i += taken == 0 ? 1 : taken;
                continue;
            }
            scanner_.read(i, markup_);
            switch (markup_.kind) {
                case Markup::Kind::None:
                    run_.push_back('<');
                    ++i;
                    continue;
                case Markup::Kind::CharacterData:
                    run_.append(markup_.data);
                    break;
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
            i = markup_.end;
        }
        flush();
        return out_.finish();
    }

private:
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
        if (markup_.empty) {
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
            --openCount_[f.name];
            const bool found = f.name == count->first;
            state_ = std::move(f.before);
            frames_.pop_back();
            if (found) break;
        }
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
};

bool isMarkup(std::string_view text, int flags) {
    if (flags & kFlagIsNotXml) return false;
    if (flags & kFlagIsXml) return true;
    return !text.empty() && text.front() == '<';
}

}  // namespace

std::vector<Piece> readSpeech(const std::string& text, int flags, const Settings& settings) {
    std::string_view view(text);
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const bool markup =
        isMarkup(view.substr(view.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0), flags);
    if (!markup) {
        std::vector<Piece> pieces;
        if (text.empty()) return pieces;
        Piece p;
        p.text = text;
        p.rate = std::clamp(settings.rate, -10, 10);
        p.pitch = std::clamp(settings.pitch, -10, 10);
        p.volume = std::clamp(settings.volume, 0, 100);
        pieces.push_back(std::move(p));
        return pieces;
    }
    if (view.starts_with(kByteOrderMark)) view.remove_prefix(kByteOrderMark.size());
    return Reader(view, settings).read();
}

}  // namespace talvoro::markup
