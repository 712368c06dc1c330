#include "app/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace talvoro {

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
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: tell overflow from underflow by the exponent.
        const auto e = number.find('e');
        const bool tiny = e != std::string::npos && number[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
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
