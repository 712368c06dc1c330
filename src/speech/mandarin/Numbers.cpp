// Rules where Chinese text leaves a choice:
// - A digit string is read as a number unless it looks like a code: it starts with 0, has nine
//   digits or more, follows a word such as 电话 or 号码, or has three digits or more before 号
//   or 室 (a room, not 第305号). Codes are read digit by digit, 1 as 幺.
// - Four digits before 年 are a year, read digit by digit with 1 as 一.
// - 2 counting something (2个, 2天) is 两, and so is a leading 2 before 千, 万 and 亿, and 2
//   before 百 at the head of a number (两百, but 一千二百).
// - a:bb with an hour and two-digit minutes is a time, other a:b a ratio (3:2 比分 as 三比二).
// - a/b is a fraction; yyyy-mm-dd, yyyy/mm/dd and yyyy.mm.dd are dates.
// - A hyphen or tilde between two numbers is a range (3-5 as 三到五), unless one side starts
//   with 0 or both together have seven digits or more, or there are three groups: a telephone
//   number.
// - A minus sign before a temperature is 零下, before any other number 负.

#include "speech/mandarin/Numbers.h"

#include <array>

#include "speech/mandarin/Text.h"

namespace talvoro::mandarin {

namespace {

constexpr std::u32string_view kDigitWords = U"零一二三四五六七八九";
constexpr std::size_t kMaxCardinal = 16;  // 万亿 is the largest unit a reader uses

// Units written after numbers, and how a Chinese reader says them. Longest first.
struct Unit {
    std::u32string_view symbol;
    std::u32string_view words;
};
constexpr std::array kUnits{
    Unit{U"km/h", U"千米每小时"},
    Unit{U"m/s", U"米每秒"},
    Unit{U"km²", U"平方千米"},
    Unit{U"cm²", U"平方厘米"},
    Unit{U"m²", U"平方米"},
    Unit{U"m³", U"立方米"},
    Unit{U"kWh", U"千瓦时"},
    Unit{U"mAh", U"毫安时"},
    Unit{U"kHz", U"千赫"},
    Unit{U"MHz", U"兆赫"},
    Unit{U"GHz", U"吉赫"},
    Unit{U"min", U"分钟"},
    Unit{U"°C", U"摄氏度"},
    Unit{U"°F", U"华氏度"},
    Unit{U"km", U"千米"},
    Unit{U"cm", U"厘米"},
    Unit{U"mm", U"毫米"},
    Unit{U"nm", U"纳米"},
    Unit{U"kg", U"千克"},
    Unit{U"mg", U"毫克"},
    Unit{U"ml", U"毫升"},
    Unit{U"mL", U"毫升"},
    Unit{U"kW", U"千瓦"},
    Unit{U"Hz", U"赫兹"},
    Unit{U"ms", U"毫秒"},
    Unit{U"m", U"米"},
    Unit{U"g", U"克"},
    Unit{U"L", U"升"},
    Unit{U"W", U"瓦"},
    Unit{U"V", U"伏"},
    Unit{U"h", U"小时"},
    Unit{U"s", U"秒"},
    Unit{U"℃", U"摄氏度"},
    Unit{U"℉", U"华氏度"},
    Unit{U"°", U"度"},
    Unit{U"㎡", U"平方米"},
    Unit{U"㎞", U"千米"},
    Unit{U"㎏", U"千克"},
    Unit{U"㎝", U"厘米"},
    Unit{U"㎜", U"毫米"},
    Unit{U"㎖", U"毫升"},
};

// Words after which a number is a code read digit by digit.
constexpr std::array<std::u32string_view, 20> kCodeWords{
    U"编码", U"电话", U"手机", U"号码", U"热线", U"拨打",   U"致电", U"传真", U"分机", U"编号",
    U"账号", U"帐号", U"卡号", U"单号", U"邮编", U"验证码", U"密码", U"尾号", U"工号", U"学号"};

// Measure words: a number of things counted (两个, 一天) rather than a name (二月, 一楼).
constexpr std::u32string_view kTimeWords = U"月日号点时分秒";

constexpr std::array<std::u32string_view, 70> kMeasures{
    U"个", U"位", U"只", U"条", U"张",   U"本",   U"件", U"次", U"天", U"年",   U"岁", U"种",
    U"名", U"家", U"口", U"台", U"辆",   U"架",   U"双", U"对", U"块", U"斤",   U"米", U"克",
    U"吨", U"升", U"亩", U"里", U"小时", U"分钟", U"分", U"秒", U"周", U"星期", U"页", U"杯",
    U"瓶", U"碗", U"份", U"项", U"门",   U"句",   U"场", U"遍", U"倍", U"人",   U"座", U"所",
    U"间", U"层", U"节", U"堂", U"首",   U"篇",   U"部", U"封", U"把", U"支",   U"根", U"片",
    U"颗", U"套", U"批", U"群", U"段",   U"趟",   U"元", U"点", U"届", U"公里"};

char32_t fold(char32_t c) {
    return c == 0xFFE5 ? 0xA5 : foldWidth(c);
}

bool isDigitAt(std::u32string_view t, std::size_t i) {
    return i < t.size() && digitValue(t[i]) >= 0;
}

bool startsWith(std::u32string_view t, std::size_t i, std::u32string_view s) {
    return i <= t.size() && t.substr(i).substr(0, s.size()) == s;
}

std::size_t digitsEnd(std::u32string_view t, std::size_t i) {
    while (isDigitAt(t, i)) ++i;
    return i;
}

// The ASCII digits of t[i, j).
std::u32string digitsOf(std::u32string_view t, std::size_t i, std::size_t j) {
    std::u32string s;
    s.reserve(j - i);
    for (; i < j; ++i)
        if (isDigitAt(t, i)) s += char32_t('0' + digitValue(t[i]));
    return s;
}

long smallValue(std::u32string_view d) {
    long v = 0;
    for (char32_t c : d.substr(0, 9)) v = v * 10 + long(c - '0');
    return d.size() > 9 ? -1 : v;
}

std::u32string stripZeros(std::u32string_view d) {
    std::size_t k = 0;
    while (k + 1 < d.size() && d[k] == '0') ++k;
    return std::u32string(d.substr(k));
}

std::u32string digitByDigit(std::u32string_view d, bool code) {
    std::u32string s;
    for (char32_t c : d) s += code && c == '1' ? U'幺' : kDigitWords[c - '0'];
    return s;
}

bool isSign(char32_t c) {
    c = fold(c);
    return c == '-' || c == 0x2212 || c == 0xFE63;
}

bool isRangeMark(char32_t c) {
    c = fold(c);
    return c == '-' || c == '~' || c == 0x2013 || c == 0x2014 || c == 0x301C || c == 0x2212;
}

// A number as written: the digits before and after the decimal point.
struct Plain {
    std::u32string whole;               // separators removed
    std::u32string fraction;            // empty without a decimal point
    std::vector<std::u32string> parts;  // a version or address: 1.2.3
    std::size_t end = 0;
};

Plain readPlain(std::u32string_view t, std::size_t i) {
    Plain p;
    std::size_t j = digitsEnd(t, i);
    std::size_t wholeEnd = j;
    // Thousands separators: groups of exactly three digits after a first group of one to three.
    if (j - i <= 3 && t[i] != '0' && j < t.size() && t[j] == ',' && isDigitAt(t, j + 1)) {
        std::size_t k = j;
        while (k < t.size() && t[k] == ',' && digitsEnd(t, k + 1) == k + 4) k += 4;
        if (k > j) wholeEnd = k;
    }
    p.whole = digitsOf(t, i, wholeEnd);
    j = wholeEnd;
    if (j + 1 < t.size() && fold(t[j]) == '.' && isDigitAt(t, j + 1)) {
        std::size_t k = digitsEnd(t, j + 1);
        p.fraction = digitsOf(t, j + 1, k);
        j = k;
        if (j + 1 < t.size() && fold(t[j]) == '.' && isDigitAt(t, j + 1)) {
            p.parts = {p.whole, p.fraction};
            while (j + 1 < t.size() && fold(t[j]) == '.' && isDigitAt(t, j + 1)) {
                k = digitsEnd(t, j + 1);
                p.parts.push_back(digitsOf(t, j + 1, k));
                j = k;
            }
        }
    }
    p.end = j;
    return p;
}

struct Reader {
    std::u32string_view t;
    std::vector<Spoken> out;

    char32_t at(std::size_t i) const { return i < t.size() ? t[i] : 0; }

    void say(SpokenKind kind, std::u32string_view text) {
        if (text.empty()) return;
        if (!out.empty() && out.back().kind == kind && kind != SpokenKind::One)
            out.back().text += text;
        else
            out.push_back({kind, std::u32string(text)});
    }
    void say(std::vector<Spoken>& parts) {
        for (const Spoken& s : parts) say(s.kind, s.text);
    }

    // A code word just before `from`, a colon, blanks or 是 between them allowed.
    bool afterCodeWord(std::size_t from) const {
        std::size_t i = from;
        while (i > 0 && from - i < 3 &&
               (fold(t[i - 1]) == ':' || t[i - 1] == U'是' || t[i - 1] == U'为' ||
                classify(t[i - 1]) == CharClass::Space))
            --i;
        for (std::u32string_view w : kCodeWords)
            if (i >= w.size() && t.substr(i - w.size(), w.size()) == w) return true;
        return false;
    }

    bool measureAt(std::size_t i) const {
        if (startsWith(t, i, U"年级")) return false;
        for (std::u32string_view m : kMeasures)
            if (startsWith(t, i, m)) return true;
        return false;
    }

    // A whole number t[from, end) with digits d: a count, a year, a code or a number.
    void integer(std::size_t from, std::u32string_view d, std::size_t end, bool mayBeCode) {
        const char32_t next = at(end);
        const bool ordinal = from > 0 && t[from - 1] == U'第';
        if (mayBeCode) {
            if (d.size() == 4 && next == U'年')
                return say(SpokenKind::Digits, digitByDigit(d, false));
            const bool leadingZero = d.size() > 1 && d[0] == '0';
            if (leadingZero && kTimeWords.find(next) != std::u32string_view::npos)
                return integer(from, stripZeros(d), end, false);
            if (leadingZero || d.size() >= 9 || afterCodeWord(from) ||
                (d.size() >= 3 && (next == U'号' || next == U'室') && !ordinal))
                return say(SpokenKind::Digits, digitByDigit(d, true));
        }
        const std::u32string n = stripZeros(d);
        if (n.size() > kMaxCardinal) return say(SpokenKind::Digits, digitByDigit(d, true));
        if (!ordinal && measureAt(end)) {
            if (n == U"1" && next != U'点') return say(SpokenKind::One, U"一");
            if (n == U"2") return say(SpokenKind::Cardinal, U"两");
        }
        say(SpokenKind::Cardinal, cardinal(n));
    }

    void plain(std::size_t from, const Plain& p, bool mayBeCode) {
        if (!p.parts.empty()) {
            for (std::size_t k = 0; k < p.parts.size(); ++k) {
                if (k) say(SpokenKind::Digits, U"点");
                say(SpokenKind::Digits, digitByDigit(p.parts[k], false));
            }
            return;
        }
        const bool separated = p.whole.size() != digitsEnd(t, from) - from;
        if (p.fraction.empty()) return integer(from, p.whole, p.end, mayBeCode && !separated);
        const std::u32string w = stripZeros(p.whole);
        if (w.size() > kMaxCardinal)
            say(SpokenKind::Digits, digitByDigit(w, false));
        else
            say(SpokenKind::Cardinal, cardinal(w));
        say(SpokenKind::Digits, U"点");
        say(SpokenKind::Digits, digitByDigit(p.fraction, false));
    }

    // A date, time, ratio or fraction at i; false when none is there.
    bool compound(std::size_t i, std::size_t& end) {
        const std::size_t a = digitsEnd(t, i);
        const char32_t sep = fold(at(a));
        if (a - i == 4 && (sep == '-' || sep == '/' || sep == '.')) {
            const std::size_t b = digitsEnd(t, a + 1);
            const std::size_t c = digitsEnd(t, b + 1);
            const bool shape = b - a - 1 >= 1 && b - a - 1 <= 2 && fold(at(b)) == sep &&
                               c - b - 1 >= 1 && c - b - 1 <= 2 && !isDigitAt(t, c) &&
                               !(fold(at(c)) == sep && isDigitAt(t, c + 1));
            const long month = shape ? smallValue(digitsOf(t, a + 1, b)) : 0;
            const long day = shape ? smallValue(digitsOf(t, b + 1, c)) : 0;
            if (month >= 1 && month <= 12 && day >= 1 && day <= 31) {
                say(SpokenKind::Digits, digitByDigit(digitsOf(t, i, a), false));
                say(SpokenKind::Word, U"年");
                say(SpokenKind::Cardinal, cardinalOf(month));
                say(SpokenKind::Word, U"月");
                say(SpokenKind::Cardinal, cardinalOf(day));
                say(SpokenKind::Word, U"日");
                end = c;
                return true;
            }
        }
        if (sep == ':' && isDigitAt(t, a + 1) && a - i <= 9) {
            const std::size_t b = digitsEnd(t, a + 1);
            if (b - a - 1 > 9) return false;
            const long hour = smallValue(digitsOf(t, i, a));
            const long minute = smallValue(digitsOf(t, a + 1, b));
            if (a - i <= 2 && b - a - 1 == 2 && hour <= 24 && minute <= 59) {
                std::size_t e = b;
                long second = 0;
                if (fold(at(b)) == ':' && digitsEnd(t, b + 1) == b + 3) {
                    const long s = smallValue(digitsOf(t, b + 1, b + 3));
                    if (s <= 59) second = s, e = b + 3;
                }
                if (!isDigitAt(t, e) && !(fold(at(e)) == ':' && isDigitAt(t, e + 1))) {
                    say(SpokenKind::Cardinal, hour == 2 ? U"两" : cardinalOf(hour));
                    say(SpokenKind::Word, U"点");
                    if (minute > 0 || second > 0) {
                        if (minute < 10) say(SpokenKind::Cardinal, U"零");
                        say(SpokenKind::Cardinal, cardinalOf(minute));
                        say(SpokenKind::Word, U"分");
                    }
                    if (second > 0) {
                        if (second < 10) say(SpokenKind::Cardinal, U"零");
                        say(SpokenKind::Cardinal, cardinalOf(second));
                        say(SpokenKind::Word, U"秒");
                    }
                    end = e;
                    return true;
                }
            }
            integer(i, digitsOf(t, i, a), a, false);
            say(SpokenKind::Word, U"比");
            integer(a + 1, digitsOf(t, a + 1, b), b, false);
            end = b;
            return true;
        }
        if (sep == '/' && isDigitAt(t, a + 1) && a - i <= 6) {
            const std::size_t b = digitsEnd(t, a + 1);
            const std::u32string den = stripZeros(digitsOf(t, a + 1, b));
            if (b - a - 1 <= 6 && den != U"0" && !(fold(at(b)) == '/' && isDigitAt(t, b + 1))) {
                say(SpokenKind::Cardinal, cardinal(den));
                say(SpokenKind::Word, U"分之");
                say(SpokenKind::Cardinal, cardinal(stripZeros(digitsOf(t, i, a))));
                end = b;
                return true;
            }
        }
        return false;
    }

    // A number with the percent sign or unit after it. Sets `percent` when it has a percent
    // sign; returns where it ends.
    std::size_t quantity(std::size_t from, bool negative, bool& percent) {
        std::size_t end = 0;
        Reader number{t, {}};
        if (!negative && number.compound(from, end)) {
            say(number.out);
            return end;
        }
        const Plain p = readPlain(t, from);
        number.plain(from, p, !negative);
        end = p.end;
        const char32_t next = fold(at(end));
        percent = next == '%' || next == 0x2030;
        std::u32string_view unit;
        if (percent) {
            say(SpokenKind::Word, next == '%' ? U"百分之" : U"千分之");
            ++end;
        } else {
            const std::size_t gap = at(end) == ' ' ? 1 : 0;
            for (const Unit& u : kUnits) {
                const std::size_t e = end + gap + u.symbol.size();
                if (!startsWith(t, end + gap, u.symbol) ||
                    (e < t.size() && (classify(t[e]) == CharClass::Latin || isDigitAt(t, e))))
                    continue;
                unit = u.words;
                end = e;
                break;
            }
        }
        if (negative)
            say(SpokenKind::Word, unit == U"摄氏度" || unit == U"华氏度" ? U"零下" : U"负");
        say(number.out);
        say(SpokenKind::Word, unit);
        return end;
    }

    static std::u32string cardinalOf(long v) {
        std::u32string s;
        do s.insert(s.begin(), char32_t('0' + v % 10)), v /= 10;
        while (v > 0);
        return cardinal(s);
    }
};

}  // namespace

int digitValue(char32_t c) {
    if (c >= '0' && c <= '9') return int(c - '0');
    if (c >= 0xFF10 && c <= 0xFF19) return int(c - 0xFF10);
    return -1;
}

std::u32string cardinal(std::u32string_view digits) {
    if (digits.empty() || digits.size() > kMaxCardinal) return {};
    bool allZero = true;
    for (char32_t c : digits) allZero = allZero && c == '0';
    if (allZero) return U"零";
    static constexpr std::u32string_view kGroupUnits[] = {U"", U"万", U"亿", U"万亿"};
    static constexpr std::u32string_view kPlaceUnits[] = {U"千", U"百", U"十", U""};
    // Four-digit groups from the right, the highest first.
    const std::size_t groups = (digits.size() + 3) / 4;
    std::u32string out;
    bool started = false, zeroPending = false;
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t unit = groups - 1 - g;
        const std::size_t endDigit = digits.size() - unit * 4;
        const std::size_t beginDigit = endDigit >= 4 ? endDigit - 4 : 0;
        std::array<int, 4> d{0, 0, 0, 0};
        for (std::size_t k = beginDigit; k < endDigit; ++k)
            d[4 - (endDigit - k)] = int(digits[k] - '0');
        const int value = d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3];
        if (value == 0) {
            zeroPending = zeroPending || started;
            continue;
        }
        if (started && (zeroPending || value < 1000)) out += U'零';
        zeroPending = false;
        bool gap = false, placeStarted = false;
        for (int p = 0; p < 4; ++p) {
            if (d[p] == 0) {
                gap = gap || placeStarted;
                continue;
            }
            if (gap) out += U'零';
            gap = false;
            char32_t word = kDigitWords[d[p]];
            if (d[p] == 2 && !placeStarted &&
                (p == 0 || (p == 3 && value == 2 && unit > 0) || (p == 1 && !started)))
                word = U'两';  // 两千, 两万, 两亿, and 两百 at the head of a number
            if (!(d[p] == 1 && p == 2 && !placeStarted && !started)) out += word;  // 十二
            out += kPlaceUnits[p];
            placeStarted = true;
        }
        // 万亿 alone; 三万五千亿 when the 亿 group follows.
        bool nextGroup = false;
        if (unit == 3)
            for (std::size_t k = endDigit; k < endDigit + 4 && k < digits.size(); ++k)
                nextGroup = nextGroup || digits[k] != '0';
        out += unit == 3 && nextGroup ? U"万" : kGroupUnits[unit];
        started = true;
    }
    return out;
}

NumberReading readNumber(std::u32string_view t, std::size_t start) {
    NumberReading none{start, {}};
    std::size_t i = start;
    const bool negative = i + 1 < t.size() && isSign(t[i]) && isDigitAt(t, i + 1);
    if (negative) ++i;
    std::u32string_view currency;
    const char32_t c = i < t.size() ? fold(t[i]) : 0;
    if ((c == 0xA5 || c == '$' || c == 0x20AC || c == 0xA3) && isDigitAt(t, i + 1) && !negative) {
        currency = c == 0xA5 ? U"元" : c == '$' ? U"美元" : c == 0x20AC ? U"欧元" : U"英镑";
        ++i;
    }
    if (!isDigitAt(t, i)) return none;

    Reader r{t, {}};
    Reader first{t, {}};
    bool percent = false;
    std::size_t end = first.quantity(i, negative, percent);

    const std::size_t a = digitsEnd(t, i);
    if (end == a && end + 1 < t.size() && isRangeMark(t[end]) && isDigitAt(t, end + 1) &&
        currency.empty()) {
        // Groups joined by hyphens: a telephone number, or a range.
        std::size_t k = end, groups = 1, total = a - i;
        while (k + 1 < t.size() && fold(t[k]) == '-' && isDigitAt(t, k + 1)) {
            const std::size_t e = digitsEnd(t, k + 1);
            total += e - k - 1;
            ++groups;
            k = e;
        }
        const bool years = groups == 2 && a - i == 4 && k - end - 1 == 4 && r.at(k) == U'年';
        const bool code = !negative && !years && fold(t[end]) == '-' &&
                          (groups >= 3 || t[i] == '0' || digitValue(t[end + 1]) == 0 || total >= 7);
        if (code) {
            for (std::size_t g = i; g < k; g = digitsEnd(t, g) + 1)
                r.say(SpokenKind::Digits, digitByDigit(digitsOf(t, g, digitsEnd(t, g)), true));
            return {k, std::move(r.out)};
        }
    }
    if (end + 1 < t.size() && isRangeMark(t[end]) && isDigitAt(t, end + 1) && currency.empty()) {
        Reader second{t, {}};
        bool percent2 = false;
        const std::size_t end2 = second.quantity(end + 1, false, percent2);
        const std::size_t b = digitsEnd(t, end + 1);
        if (a - i == 4 && end == a && b - end - 1 == 4 && end2 == b && r.at(b) == U'年') {
            first.out.clear();
            first.say(SpokenKind::Digits, digitByDigit(digitsOf(t, i, a), false));
        }
        if (percent2 && !percent) r.say(SpokenKind::Word, U"百分之");
        r.say(first.out);
        r.say(SpokenKind::Word, U"到");
        r.say(second.out);
        end = end2;
    } else {
        r.say(first.out);
    }
    r.say(SpokenKind::Word, currency);
    return {end, std::move(r.out)};
}

}  // namespace talvoro::mandarin
