#include "speech/markup/MarkupValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace talvoro::markup::detail {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           sameText(text.substr(text.size() - suffix.size()), suffix);
}

// A decimal number filling all of `text` ("+1.5", "-20", "0.5"), and whether a sign was
// written: relative prosody values are the signed ones.
struct Decimal {
    double value = 0;
    bool signedValue = false;
};

std::optional<Decimal> decimal(std::string_view text) {
    Decimal d;
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        d.signedValue = true;
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars reads no sign, no blanks, no hexadecimal float, no "inf" or "nan" here.
    if (text.empty() || !(isDigit(text.front()) || text.front() == '.')) return std::nullopt;
    const char* end = text.data() + text.size();
    auto [stop, ec] = std::from_chars(text.data(), end, d.value, std::chars_format::fixed);
    if (ec != std::errc() || stop != end || !std::isfinite(d.value)) return std::nullopt;
    if (negative) d.value = -d.value;
    return d;
}

struct Keyword {
    std::string_view name;
    double value;
};

std::optional<double> keyword(std::string_view text, std::initializer_list<Keyword> table) {
    for (const Keyword& k : table)
        if (sameText(text, k.name)) return k.value;
    return std::nullopt;
}

// Adds the steps a speed or frequency factor makes, `stepsPerDoubling` per factor of two.
Adjustment factorSteps(double factor, double stepsPerDoubling) {
    if (!(factor > 0) || !std::isfinite(factor)) return {};
    const double steps = std::round(stepsPerDoubling * std::log2(factor));
    return {Adjustment::Kind::Add, steps};
}

// "150%" and "+20%": the factor a percentage stands for (unsigned: of the current value).
std::optional<double> percentFactor(std::string_view text) {
    if (!endsWith(text, "%")) return std::nullopt;
    const auto d = decimal(text.substr(0, text.size() - 1));
    if (!d) return std::nullopt;
    return d->signedValue ? 1.0 + d->value / 100.0 : d->value / 100.0;
}

}  // namespace

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::optional<long long> parseWhole(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        if (value <= kNumberBound) value = value * 10 + (text[i] - '0');
    if (value > kNumberBound) value = kNumberBound;
    return negative ? -value : value;
}

std::optional<std::string> languageId(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 2 && text[0] == '0' && lower(text[1]) == 'x') text.remove_prefix(2);
    while (!text.empty() && text.front() == '0') text.remove_prefix(1);
    if (text.empty() || text.size() > 4) return std::nullopt;
    std::string id;
    for (char c : text) {
        const char l = lower(c);
        if (!isDigit(l) && !(l >= 'a' && l <= 'f')) return std::nullopt;
        id.push_back(isDigit(l) ? l : static_cast<char>(l - 'a' + 'A'));
    }
    return id;
}

Adjustment prosodyRate(std::string_view text) {
    text = trimmed(text);
    if (sameText(text, "default")) return {Adjustment::Kind::Default, 0};
    if (auto k = keyword(text,
                         {{"x-slow", -9}, {"slow", -4}, {"medium", 0}, {"fast", 4}, {"x-fast", 9}}))
        return {Adjustment::Kind::Set, *k};
    // Ten steps per factor of three: 10 / log2(3) steps per doubling.
    const double perDoubling = 10.0 / std::log2(3.0);
    if (auto f = percentFactor(text)) return factorSteps(*f, perDoubling);
    if (auto d = decimal(text); d && !d->signedValue) return factorSteps(d->value, perDoubling);
    return {};
}

Adjustment prosodyPitch(std::string_view text) {
    text = trimmed(text);
    if (sameText(text, "default")) return {Adjustment::Kind::Default, 0};
    if (auto k =
            keyword(text, {{"x-low", -9}, {"low", -4}, {"medium", 0}, {"high", 4}, {"x-high", 9}}))
        return {Adjustment::Kind::Set, *k};
    if (endsWith(text, "st")) {
        const auto d = decimal(text.substr(0, text.size() - 2));
        if (!d || !d->signedValue) return {};
        return {Adjustment::Kind::Add, std::round(2.0 * d->value)};
    }
    if (auto f = percentFactor(text)) return factorSteps(*f, 24.0);
    return {};
}

Adjustment prosodyVolume(std::string_view text) {
    text = trimmed(text);
    if (sameText(text, "default")) return {Adjustment::Kind::Default, 0};
    if (auto k = keyword(text, {{"silent", 0},
                                {"x-soft", 20},
                                {"soft", 40},
                                {"medium", 60},
                                {"loud", 80},
                                {"x-loud", 100}}))
        return {Adjustment::Kind::Set, *k};
    if (auto f = percentFactor(text)) {
        if (*f < 0) return {Adjustment::Kind::Set, 0};
        return {Adjustment::Kind::Scale, *f};
    }
    if (endsWith(text, "dB")) {
        const auto d = decimal(text.substr(0, text.size() - 2));
        if (!d) return {};
        return {Adjustment::Kind::Scale, std::pow(10.0, std::min(d->value, 100.0) / 20.0)};
    }
    if (auto d = decimal(text))
        return {d->signedValue ? Adjustment::Kind::Add : Adjustment::Kind::Set, d->value};
    return {};
}

int breakMs(std::optional<std::string_view> time, std::optional<std::string_view> strength) {
    if (time) {
        std::string_view t = trimmed(*time);
        double unit = 1.0;
        if (endsWith(t, "ms")) {
            t.remove_suffix(2);
        } else if (endsWith(t, "s")) {
            t.remove_suffix(1);
            unit = 1000.0;
        }
        if (auto d = decimal(trimmed(t)); d && d->value >= 0) {
            const double ms = std::round(d->value * unit);
            return ms > kMaxSilenceMs ? kMaxSilenceMs : static_cast<int>(ms);
        }
    }
    if (strength) {
        if (auto k = keyword(trimmed(*strength), {{"none", 0},
                                                  {"x-weak", 100},
                                                  {"weak", 250},
                                                  {"medium", 500},
                                                  {"strong", 1000},
                                                  {"x-strong", 2000}}))
            return static_cast<int>(*k);
    }
    return 500;
}

std::optional<std::string> genderValue(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    std::string value;
    for (char c : text) value.push_back(lower(c));
    if (value[0] >= 'a' && value[0] <= 'z') value[0] = static_cast<char>(value[0] - 'a' + 'A');
    return value;
}

std::optional<std::string> ageGroup(std::string_view text) {
    const auto years = parseWhole(text);
    if (!years || *years < 0) return std::nullopt;
    if (*years < 13) return "Child";
    if (*years < 20) return "Teen";
    if (*years < 65) return "Adult";
    return "Senior";
}

std::optional<std::string> pinyinFromSym(std::string_view sym) {
    constexpr std::string_view kUmlaut = "\xC3\xBC", kUmlautUpper = "\xC3\x9C";  // ü Ü
    constexpr std::size_t kLongestSyllable = 6;                                  // zhuang
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string out;
    std::size_t i = 0;
    const std::size_t n = sym.size();
    for (;;) {
        while (i < n && blank(sym[i])) ++i;
        if (i == n) break;
        if (!out.empty()) out += ' ';
        const std::size_t letters = out.size();
        while (i < n) {
            const char c = sym[i];
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
                out += lower(c);
                ++i;
            } else if (sym.substr(i, 2) == kUmlaut || sym.substr(i, 2) == kUmlautUpper) {
                out += 'v';  // how the engine's pinyin reader writes ü
                i += 2;
            } else {
                break;
            }
        }
        if (out.size() == letters || out.size() - letters > kLongestSyllable) return std::nullopt;
        while (i < n && blank(sym[i])) ++i;
        if (i == n || sym[i] < '1' || sym[i] > '5') return std::nullopt;
        out += sym[i++];
    }
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace talvoro::markup::detail
