// 一 and 不 keep their tone at the end of a clause and where 一 is a numeral (第一, 一二三,
// 三比一); before a fourth tone they take the second, and 一 takes the fourth before the other
// tones. Between two of the same verb (看一看) 一 is neutral. Inside dictionary words the
// dictionary has already made these changes; here they are made for 一 and 不 standing alone.
//
// A few characters standing alone are read by their neighbours:
// - 地 after a word of two characters or more is the adverb particle de5 (认真地), else the
//   noun di4 (多地, 在地);
// - 得 after a person or one of 还就也都总可 is "must", dei3 (我得走了, 还得上班), before 了 "get";
// - 为 before a number or closing a clause is "to be, as", wei2 (震级为6.8级, 另存为);
// - 还 closing a clause or before a person is the verb "give back", huan2 (按时还, 还你钱);
// - 行 after a number counts lines and rows, hang2 (第二行, 两行字).

#include "speech/mandarin/ToneRules.h"

#include <string_view>

namespace talvoro::mandarin {

namespace {

constexpr std::u32string_view kNumerals = U"〇零一二三四五六七八九十两兩";
constexpr std::u32string_view kPersons = U"你我他她您它";

bool isAny(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

char toneOf(const Dictionary::Tables& dict, std::uint16_t id) {
    const std::string_view s = dict.syllable(id);
    return s.empty() ? 0 : s.back();
}

void set(const Dictionary::Tables& dict, Syllable& s, std::string_view reading) {
    const int id = dict.syllableIndex(reading);
    if (id >= 0) s.id = static_cast<std::uint16_t>(id);
}

}  // namespace

void applyToneRules(const Dictionary::Tables& dict, std::vector<Syllable>& clause) {
    const std::size_t n = clause.size();
    for (std::size_t i = 0; i < n; ++i) {
        Syllable& s = clause[i];
        const Syllable* prev = i > 0 ? &clause[i - 1] : nullptr;
        const Syllable* next = i + 1 < n ? &clause[i + 1] : nullptr;
        if (s.flags & Syllable::kNumeral) {
            // 一百, 一千: yi4; 一万, 一亿: yi2.
            if (s.ch == U'一' && next && isAny(next->ch, U"百千")) set(dict, s, "yi4");
            if (s.ch == U'一' && next && isAny(next->ch, U"万亿萬億")) set(dict, s, "yi2");
            continue;
        }
        if (!(s.flags & Syllable::kAlone)) continue;
        const char nextTone = next ? toneOf(dict, next->id) : 0;
        const bool nextNumber = next && ((next->flags & (Syllable::kDigit | Syllable::kNumeral)) ||
                                         isAny(next->ch, kNumerals));
        if (s.ch == U'一') {
            const bool ratio = prev && prev->ch == U'比' && i >= 2 &&
                               (isAny(clause[i - 2].ch, kNumerals) ||
                                (clause[i - 2].flags & (Syllable::kDigit | Syllable::kNumeral)));
            if (!next || !nextTone || (prev && isAny(prev->ch, U"第初")) || ratio ||
                (next->flags & Syllable::kDigit) || isAny(next->ch, kNumerals) ||
                isAny(next->ch, U"月号號"))
                set(dict, s, "yi1");
            else if (prev && prev->ch == next->ch)
                set(dict, s, "yi5");
            else if (nextTone == '4' || nextTone == '5')
                set(dict, s, "yi2");
            else
                set(dict, s, "yi4");
        } else if (s.ch == U'不') {
            set(dict, s, nextTone == '4' ? "bu2" : "bu4");
        } else if ((s.ch == U'还' || s.ch == U'還') && (!next || isAny(next->ch, kPersons))) {
            set(dict, s, "huan2");
        } else if (s.ch == U'地') {
            set(dict, s, prev && !(prev->flags & Syllable::kAlone) ? "de5" : "di4");
        } else if (s.ch == U'得' && prev && next &&
                   isAny(prev->ch, U"我你他她它们們咱还還就也都总總可")) {
            set(dict, s, next->ch == U'了' ? "de2" : "dei3");
        } else if (isAny(s.ch, U"为爲為") && (!next || nextNumber)) {
            set(dict, s, "wei2");
        } else if (s.ch == U'行' && prev &&
                   ((prev->flags & (Syllable::kDigit | Syllable::kNumeral)) ||
                    isAny(prev->ch, kNumerals))) {
            set(dict, s, "hang2");
        }
    }
}

}  // namespace talvoro::mandarin
