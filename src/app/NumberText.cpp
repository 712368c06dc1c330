#include "app/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace talvoro {
namespace {

// Whether a number too small or too large for a double is the small kind: its magnitude, the
// power of ten of its first significant digit plus its exponent, is below zero. Both parts count:
// "0.000…1" with hundreds of zeros underflows without an exponent, and "0.000…1e+500" may not.
// `number` is digits with an optional "." and an optional exponent ("e", a sign, digits).
bool belowOne(const std::string& number) {
    constexpr long long kFar = 1'000'000'000;  // beyond any double, yet far from overflowing
    const std::size_t e = std::min(number.find('e'), number.size());
    long long exponent = 0;
    if (e < number.size()) {
        std::size_t i = e + 1;
        const bool negative = number[i] == '-';
        if (number[i] == '-' || number[i] == '+') ++i;
        for (; i < number.size(); ++i) exponent = std::min(exponent * 10 + (number[i] - '0'), kFar);
        if (negative) exponent = -exponent;
    }
    const std::string_view mantissa(number.data(), e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return true;  // zero
    const long long power = first < point ? static_cast<long long>(point - first) - 1
                                          : -static_cast<long long>(first - point);
    return power + exponent < 0;
}

}  // namespace

double leadingNumber(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') kept.push_back(c);

    std::size_t i = 0;
    bool negative = false;
    if (i < kept.size() && (kept[i] == '+' || kept[i] == '-')) negative = kept[i++] == '-';

    std::string number;  // unsigned mantissa and exponent in the form from_chars reads
    bool digits = false;
    while (i < kept.size() && std::isdigit(static_cast<unsigned char>(kept[i]))) {
        number.push_back(kept[i++]);
        digits = true;
    }
    if (i < kept.size() && kept[i] == '.') {
        std::string fraction;
        ++i;
        while (i < kept.size() && std::isdigit(static_cast<unsigned char>(kept[i])))
            fraction.push_back(kept[i++]);
        if (!fraction.empty()) {
            number += (number.empty() ? "0." : ".") + fraction;
            digits = true;
        }
    }
    if (!digits) return 0.0;
    if (i < kept.size() && (kept[i] == 'E' || kept[i] == 'e')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < kept.size() && (kept[j] == '+' || kept[j] == '-')) exponent.push_back(kept[j++]);
        bool expDigits = false;
        while (j < kept.size() && std::isdigit(static_cast<unsigned char>(kept[j]))) {
            exponent.push_back(kept[j++]);
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }

    double value = 0.0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range)  // from_chars leaves the value alone
        value = belowOne(number) ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

std::string numberText(float value) {
    if (value == 0.0f || std::isnan(value)) return "0";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 7);
    if (ec != std::errc()) return "0";
    std::string text(buf, end);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

}  // namespace talvoro
