#pragma once
// Numbers and the signs around them, read the Chinese way: 12.5% as 百分之十二点五, -3℃ as
// 零下三摄氏度, 9:30 as 九点三十分, 3/4 as 四分之三, 1949年 as 一九四九年, a telephone number
// digit by digit. The result is Chinese text for the reader to read; nothing here knows pinyin.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace talvoro::mandarin {

enum class SpokenKind {
    Word,      // Chinese words (units, 百分之, 摄氏度, 零下), read like any text
    Cardinal,  // a number in words; 一 changes its tone before 百, 千, 万 and 亿 only
    Digits,    // digit by digit, each as it stands (幺 for 1 in telephone numbers)
    One,       // the number 1 counting something (1个): 一 as a word of its own
};

struct Spoken {
    SpokenKind kind = SpokenKind::Word;
    std::u32string text;
    bool operator==(const Spoken&) const = default;
};

struct NumberReading {
    std::size_t end = 0;  // one past the last character read; the start when nothing was read
    std::vector<Spoken> parts;
};

// Reads the number expression that starts at text[start]: a digit, or a sign or currency sign
// right before one. `text` is the piece's characters; the reader looks at most a few characters
// before the start (第, 电话) and after the end (年, 号, a measure word).
NumberReading readNumber(std::u32string_view text, std::size_t start);

// The digit value of an ASCII or fullwidth digit, or -1.
int digitValue(char32_t c);

// A string of digits (ASCII values '0'-'9', no leading zeros unless it is "0", at most 16 long)
// as a Chinese number: "2500" as 两千五百, "10" as 十, "100010" as 十万零一十.
std::u32string cardinal(std::u32string_view digits);

}  // namespace talvoro::mandarin
