// The front end proper: cuts a piece into runs by script and decides who reads each.
//
// - Han text is read in Mandarin whatever voice is ticked.
// - A Latin-script word goes to the ticked voice when that voice reads a Latin-script language;
//   otherwise to English, except with a voice of another script, where only the words on lines
//   with Han text go to English.
// - Digits are read in Chinese when the nearest word on either side (blanks, signs and ASCII
//   punctuation between them) is Han or Chinese punctuation; next to a Latin word they go with
//   that word; standing alone, in Chinese when the ticked voice is Mandarin.
// - Other scripts go to the ticked voice.
// - In Mandarin runs punctuation becomes a pause mark, a line break a short pause and an empty
//   line a full stop; blanks, symbols, brackets and quotes only part words. In other runs
//   punctuation and blanks stay as written, CJK punctuation as its ASCII counterpart.

#include <algorithm>

#include "speech/mandarin/MandarinFrontEnd.h"
#include "speech/mandarin/Numbers.h"
#include "speech/mandarin/Segmenter.h"
#include "speech/mandarin/Text.h"
#include "speech/mandarin/ToneRules.h"

namespace talvoro::mandarin {

namespace {

// Long pieces are read in slices of about this many bytes, cut at a line end, a clause end or
// a blank where there is one, so that the work and the memory of one step stay bounded.
constexpr std::size_t kSliceBytes = 32 * 1024;
// How far the context of a number is looked for, in characters.
constexpr std::size_t kContextReach = 24;

std::string_view pauseMark(Pause p) {
    switch (p) {
        case Pause::Comma:
            return ", ";
        case Pause::Colon:
            return ": ";
        case Pause::Semicolon:
            return "; ";
        case Pause::Stop:
            return "。 ";
        case Pause::Question:
            return "? ";
        case Pause::Exclamation:
            return "! ";
        case Pause::None:
            break;
    }
    return " ";
}

// The ASCII text for punctuation in English and ticked-voice runs.
void appendRaw(std::string& out, char32_t cp) {
    switch (cp) {
        case 0x3002:
            out += ". ";
            return;   // 。
        case 0xFF0C:  // ，
        case 0x3001:
            out += ", ";
            return;  // 、
        case 0xFF1B:
            out += "; ";
            return;
        case 0xFF1A:
            out += ": ";
            return;
        case 0xFF1F:
            out += "? ";
            return;
        case 0xFF01:
            out += "! ";
            return;
        default:
            break;
    }
    appendUtf8(out, foldWidth(cp));
}

class RunBuilder {
public:
    RunBuilder(const Dictionary::Tables& dict, std::vector<Run>& out) : dict_(dict), out_(out) {}

    void syllable(Syllable s) {
        if (s.id == kNoSyllable) return;
        switchTo(Target::Mandarin);
        if (pause_ != Pause::None) {
            endClause();
            text_ += pauseMark(pause_);
            pause_ = Pause::None;
        }
        clause_.push_back(s);
    }

    // A pause in Mandarin; nothing elsewhere.
    void pause(Pause p) {
        if (target_ == Target::Mandarin && !clause_.empty() && p > pause_) pause_ = p;
        if (target_ == Target::Mandarin && clause_.empty() && !text_.empty() && p > pause_)
            pause_ = p;
    }

    // Text as written for an English or ticked-voice run.
    void raw(Target target, char32_t cp) {
        switchTo(target);
        appendRaw(text_, cp);
    }

    // A separator: joins the current run, or parts Mandarin words.
    void separator(char32_t cp, bool started) {
        if (!started) return;
        if (target_ == Target::Mandarin) return pause(pauseOf(cp));
        appendRaw(text_, cp);
    }

    bool started() const { return started_; }
    Target target() const { return target_; }

    void finish() { close(); }

private:
    void switchTo(Target t) {
        if (started_ && t == target_) return;
        close();
        target_ = t;
        started_ = true;
    }

    void endClause() {
        applyToneRules(dict_, clause_);
        for (const Syllable& s : clause_) {
            const std::string_view text = dict_.syllable(s.id);
            if (text.empty()) continue;
            if (!text_.empty() && text_.back() != ' ') text_ += ' ';
            text_ += text;
        }
        clause_.clear();
    }

    void close() {
        if (!started_) return;
        if (target_ == Target::Mandarin) {
            endClause();
            if (pause_ != Pause::None && !text_.empty()) text_ += pauseMark(pause_);
            pause_ = Pause::None;
        }
        auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
        while (!text_.empty() && blank(text_.back())) text_.pop_back();
        std::size_t lead = 0;
        while (lead < text_.size() && blank(text_[lead])) ++lead;
        if (lead < text_.size()) {
            if (!out_.empty() && out_.back().target == target_)
                out_.back().text += ' ' + text_.substr(lead);
            else
                out_.push_back({target_, text_.substr(lead)});
        }
        text_.clear();
        started_ = false;
    }

    const Dictionary::Tables& dict_;
    std::vector<Run>& out_;
    Target target_ = Target::TickedVoice;
    bool started_ = false;
    std::string text_;
    std::vector<Syllable> clause_;
    Pause pause_ = Pause::None;
};

class SliceReader {
public:
    SliceReader(const Dictionary::Tables& dict, std::string_view slice, TickedScript ticked,
                RunBuilder& runs)
        : dict_(dict), ticked_(ticked), runs_(runs) {
        const std::vector<Char> chars = decodeUtf8(slice);
        cps_.reserve(chars.size());
        cls_.reserve(chars.size());
        for (std::size_t k = 0; k + 1 < chars.size(); ++k) {
            cps_ += chars[k].cp;
            cls_.push_back(classify(chars[k].cp));
        }
        if (ticked_ == TickedScript::Other) {
            // Whether each character's line holds Han text.
            hanLine_.assign(cps_.size(), false);
            std::size_t lineStart = 0;
            for (std::size_t k = 0; k <= cps_.size(); ++k) {
                if (k < cps_.size() && cls_[k] != CharClass::Newline) continue;
                const bool han = std::any_of(cls_.begin() + long(lineStart), cls_.begin() + long(k),
                                             [](CharClass c) { return c == CharClass::Han; });
                std::fill(hanLine_.begin() + long(lineStart), hanLine_.begin() + long(k), han);
                lineStart = k + 1;
            }
        }
    }

    void read() {
        const std::size_t n = cps_.size();
        std::size_t i = 0;
        while (i < n) {
            const CharClass c = cls_[i];
            if (c == CharClass::Han) {
                std::size_t j = i;
                while (j < n && cls_[j] == CharClass::Han) ++j;
                readHan(std::u32string_view(cps_).substr(i, j - i), 0);
                i = j;
            } else if (startsNumber(i)) {
                i = readDigits(i);
            } else if (c == CharClass::Latin) {
                const std::size_t j = latinWordEnd(i);
                const Target t = latinTarget(i);
                for (std::size_t k = i; k < j; ++k) runs_.raw(t, cps_[k]);
                i = j;
            } else if (c == CharClass::Other || c == CharClass::Digit) {
                runs_.raw(Target::TickedVoice, cps_[i]);
                ++i;
            } else if (c == CharClass::Newline) {
                std::size_t j = i, lines = 0;
                while (j < n && (cls_[j] == CharClass::Newline || cls_[j] == CharClass::Space)) {
                    if (cps_[j] != '\r' || j + 1 >= n || cps_[j + 1] != '\n')
                        lines += cls_[j] == CharClass::Newline ? 1 : 0;
                    ++j;
                }
                if (runs_.started() && runs_.target() == Target::Mandarin)
                    runs_.pause(lines >= 2 ? Pause::Stop : Pause::Comma);
                else
                    for (std::size_t k = i; k < j; ++k) runs_.separator(cps_[k], runs_.started());
                i = j;
            } else {
                runs_.separator(cps_[i], runs_.started());
                ++i;
            }
        }
    }

private:
    bool startsNumber(std::size_t i) const {
        if (cls_[i] == CharClass::Digit) return i == 0 || cls_[i - 1] != CharClass::Latin;
        // A sign or currency sign right before a digit, not after a number or a word.
        if (i + 1 >= cps_.size() ||
            (i > 0 && (cls_[i - 1] == CharClass::Digit || cls_[i - 1] == CharClass::Latin)))
            return false;
        const char32_t c = foldWidth(cps_[i]);
        const bool sign = c == '-' || c == 0x2212 || c == 0xFE63;
        const bool money = c == 0xA5 || c == 0xFFE5 || c == '$' || c == 0x20AC || c == 0xA3;
        if (!sign && !money) return false;
        if (cls_[i + 1] == CharClass::Digit) return true;
        return sign && i + 2 < cps_.size() && cls_[i + 2] == CharClass::Digit;
    }

    enum class Side { None, Chinese, Latin, Other };

    Side evidence(std::size_t k) const {
        switch (cls_[k]) {
            case CharClass::Han:
            case CharClass::ChinesePunct:
                return Side::Chinese;
            case CharClass::Latin:
                return Side::Latin;
            case CharClass::Other:
                return Side::Other;
            default:
                return Side::None;
        }
    }

    // The reader of the number at i, and where it stands.
    std::size_t readDigits(std::size_t i) {
        const std::size_t n = cps_.size();
        // The digits and the signs between them, as written.
        std::size_t j = i + 1;
        while (j < n && (cls_[j] == CharClass::Digit ||
                         (j + 1 < n && cls_[j + 1] == CharClass::Digit &&
                          std::u32string_view(U".,:/-").find(foldWidth(cps_[j])) !=
                              std::u32string_view::npos)))
            ++j;
        while (j < n && (foldWidth(cps_[j]) == '%' || cps_[j] == 0x2030)) ++j;

        Side left = Side::None, right = Side::None;
        std::size_t leftAt = i, rightAt = n;
        for (std::size_t k = i; k > 0 && i - k < kContextReach; --k) {
            if (cls_[k - 1] == CharClass::Newline) break;
            if ((left = evidence(k - 1)) != Side::None) {
                leftAt = k - 1;
                break;
            }
        }
        for (std::size_t k = j; k < n && k - j < kContextReach; ++k) {
            if (cls_[k] == CharClass::Newline) break;
            if ((right = evidence(k)) != Side::None) {
                rightAt = k;
                break;
            }
        }
        bool chinese = left == Side::Chinese || right == Side::Chinese;
        Target other = Target::TickedVoice;
        if (!chinese) {
            // Letters right after the digits may be a unit (5km) or a word of their own (5G).
            const bool attached = right == Side::Latin && rightAt == j && latinWordEnd(j) - j <= 3;
            if (left == Side::Latin)
                other = latinTarget(leftAt);
            else if (right == Side::Latin && !attached)
                other = latinTarget(rightAt);
            else if (left == Side::None && (right == Side::None || attached))
                chinese = ticked_ == TickedScript::Han;
        }
        if (chinese) {
            const NumberReading r = readNumber(cps_, i);
            if (r.end > i) {
                for (const Spoken& s : r.parts) say(s);
                return r.end;
            }
        }
        for (std::size_t k = i; k < j; ++k) runs_.raw(other, cps_[k]);
        return j;
    }

    void say(const Spoken& s) {
        switch (s.kind) {
            case SpokenKind::Word:
                readHan(s.text, 0);
                break;
            case SpokenKind::Cardinal:
            case SpokenKind::Digits:
                for (char32_t ch : s.text) {
                    const int id = readingOf(dict_, ch);
                    if (id < 0) continue;
                    runs_.syllable(
                        {std::uint16_t(id), ch,
                         s.kind == SpokenKind::Cardinal ? Syllable::kNumeral : Syllable::kDigit});
                }
                break;
            case SpokenKind::One: {
                const int id = readingOf(dict_, U'一');
                if (id >= 0) runs_.syllable({std::uint16_t(id), U'一', Syllable::kAlone});
                break;
            }
        }
    }

    void readHan(std::u32string_view han, std::uint8_t flags) {
        for (const Word& w : segment(dict_, han)) {
            const std::uint8_t alone = w.end - w.begin == 1 ? Syllable::kAlone : 0;
            for (std::uint32_t k = w.begin; k < w.end; ++k) {
                if (!w.syllables) continue;
                runs_.syllable({w.syllable(k - w.begin), han[k], std::uint8_t(flags | alone)});
            }
        }
    }

    std::size_t latinWordEnd(std::size_t i) const {
        const std::size_t n = cps_.size();
        std::size_t j = i;
        while (j < n) {
            if (cls_[j] == CharClass::Latin || cls_[j] == CharClass::Digit) {
                ++j;
            } else if (j + 1 < n && j > i &&
                       std::u32string_view(U"'’-._&").find(cps_[j]) != std::u32string_view::npos &&
                       cls_[j + 1] == CharClass::Latin) {
                j += 2;
            } else {
                break;
            }
        }
        return j;
    }

    Target latinTarget(std::size_t i) const {
        switch (ticked_) {
            case TickedScript::Latin:
                return Target::TickedVoice;
            case TickedScript::Han:
                return Target::English;
            case TickedScript::Other:
                break;
        }
        return i < hanLine_.size() && hanLine_[i] ? Target::English : Target::TickedVoice;
    }

    const Dictionary::Tables& dict_;
    TickedScript ticked_;
    RunBuilder& runs_;
    std::u32string cps_;
    std::vector<CharClass> cls_;
    std::vector<bool> hanLine_;
};

// Where to end a slice of at most kSliceBytes starting at `from`: after a line break, a clause
// end or a blank in its last quarter if there is one, else at a character boundary.
std::size_t sliceEnd(std::string_view text, std::size_t from) {
    if (text.size() - from <= kSliceBytes) return text.size();
    const std::size_t limit = from + kSliceBytes;
    const std::size_t floor = limit - kSliceBytes / 4;
    for (std::string_view marks :
         {std::string_view("\n"), std::string_view("\xE3\x80\x82"), std::string_view(" ")}) {
        const std::size_t at = text.rfind(marks, limit - marks.size());
        if (at != std::string_view::npos && at >= floor) return at + marks.size();
    }
    std::size_t cut = limit;
    while (cut > floor && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

FrontEnd::FrontEnd(std::shared_ptr<const Dictionary> dictionary)
    : dictionary_(std::move(dictionary)) {
    if (!dictionary_) throw std::invalid_argument("the Mandarin front end needs a dictionary");
}

FrontEnd::~FrontEnd() = default;

std::vector<Run> FrontEnd::read(std::string_view piece, TickedScript ticked) const {
    std::vector<Run> runs;
    RunBuilder builder(dictionary_->tables(), runs);
    for (std::size_t from = 0; from < piece.size();) {
        const std::size_t to = sliceEnd(piece, from);
        SliceReader(dictionary_->tables(), piece.substr(from, to - from), ticked, builder).read();
        from = to;
    }
    builder.finish();
    return runs;
}

}  // namespace talvoro::mandarin
