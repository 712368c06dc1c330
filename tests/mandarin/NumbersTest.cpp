#include <gtest/gtest.h>

#include <string>

#include "speech/mandarin/Numbers.h"
#include "speech/mandarin/Text.h"

namespace talvoro::mandarin {
namespace {

std::string utf8(std::u32string_view s) {
    std::string out;
    for (char32_t c : s) appendUtf8(out, c);
    return out;
}

std::u32string utf32(std::string_view s) {
    std::u32string out;
    const auto chars = decodeUtf8(s);
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) out += chars[i].cp;
    return out;
}

// The number at the start of `text` (after `before`), as "kind:text" parts and what is left.
std::string read(std::string_view before, std::string_view text) {
    const std::u32string all = utf32(std::string(before) + std::string(text));
    const std::size_t start = utf32(before).size();
    const NumberReading r = readNumber(all, start);
    std::string out;
    for (const Spoken& s : r.parts) {
        static constexpr const char* kKinds[] = {"W", "C", "D", "1"};
        out += std::string(kKinds[int(s.kind)]) + ":" + utf8(s.text) + " ";
    }
    return out + "|" + utf8(std::u32string_view(all).substr(r.end));
}

std::string card(std::u32string_view digits) {
    return utf8(cardinal(digits));
}

TEST(Cardinal, GroupsTensOfThousandsAndHundredsOfMillions) {
    EXPECT_EQ(card(U"0"), "零");
    EXPECT_EQ(card(U"7"), "七");
    EXPECT_EQ(card(U"10"), "十");
    EXPECT_EQ(card(U"15"), "十五");
    EXPECT_EQ(card(U"110"), "一百一十");
    EXPECT_EQ(card(U"1001"), "一千零一");
    EXPECT_EQ(card(U"10086"), "一万零八十六");
    EXPECT_EQ(card(U"100010"), "十万零一十");
    EXPECT_EQ(card(U"120000"), "十二万");
    EXPECT_EQ(card(U"1400000000"), "十四亿");
    EXPECT_EQ(card(U"100000001"), "一亿零一");
    EXPECT_EQ(card(U"1000000000000"), "一万亿");
    EXPECT_EQ(card(U"3500000000000"), "三万五千亿");
    EXPECT_EQ(card(U"9999999999999999"),
              "九千九百九十九万九千九百九十九亿九千九百九十九万九千九百九十九");
    EXPECT_EQ(card(U"12345678901234567"), "");  // beyond 万亿: the caller reads digits
}

TEST(Cardinal, TwoIsLiangBeforeThousandsAndAtTheHead) {
    EXPECT_EQ(card(U"2"), "二");
    EXPECT_EQ(card(U"22"), "二十二");
    EXPECT_EQ(card(U"200"), "两百");
    EXPECT_EQ(card(U"1200"), "一千二百");
    EXPECT_EQ(card(U"2500"), "两千五百");
    EXPECT_EQ(card(U"12000"), "一万两千");
    EXPECT_EQ(card(U"20000"), "两万");
    EXPECT_EQ(card(U"120000"), "十二万");
    EXPECT_EQ(card(U"200000000"), "两亿");
}

TEST(Numbers, DecimalsPercentagesAndSigns) {
    EXPECT_EQ(read("", "12.5%。"), "W:百分之 C:十二 D:点五 |。");
    EXPECT_EQ(read("", "0.5元"), "C:零 D:点五 |元");
    EXPECT_EQ(read("", "3.14159"), "C:三 D:点一四一五九 |");
    EXPECT_EQ(read("", "5‰"), "W:千分之 C:五 |");
    EXPECT_EQ(read("气温", "-3℃"), "W:零下 C:三 W:摄氏度 |");
    EXPECT_EQ(read("", "-3°C"), "W:零下 C:三 W:摄氏度 |");
    EXPECT_EQ(read("", "-15"), "W:负 C:十五 |");
    EXPECT_EQ(read("", "１２％"), "W:百分之 C:十二 |");  // fullwidth
}

TEST(Numbers, ThousandsSeparatorsOnlyInGroupsOfThree) {
    EXPECT_EQ(read("", "1,234,567人"), "C:一百二十三万四千五百六十七 |人");
    EXPECT_EQ(read("", "12,34"), "C:十二 |,34");
    EXPECT_EQ(read("", "1，234"), "C:一 |，234");  // a Chinese comma parts numbers
}

TEST(Numbers, YearsDatesAndTimes) {
    EXPECT_EQ(read("", "1949年"), "D:一九四九 |年");
    EXPECT_EQ(read("", "2000年"), "D:二零零零 |年");
    EXPECT_EQ(read("", "2024-05-08"), "D:二零二四 W:年 C:五 W:月 C:八 W:日 |");
    EXPECT_EQ(read("", "2024/5/8"), "D:二零二四 W:年 C:五 W:月 C:八 W:日 |");
    EXPECT_EQ(read("", "2024-13-08"), "D:二零二四幺三零八 |");  // no month 13: a code
    EXPECT_EQ(read("", "9:30开始"), "C:九 W:点 C:三十 W:分 |开始");
    EXPECT_EQ(read("", "9:05"), "C:九 W:点 C:零五 W:分 |");
    EXPECT_EQ(read("", "14:00"), "C:十四 W:点 |");
    EXPECT_EQ(read("", "2:15:07"), "C:两 W:点 C:十五 W:分 C:零七 W:秒 |");
    EXPECT_EQ(read("", "05月"), "C:五 |月");
    EXPECT_EQ(read("比分", "3:2"), "C:三 W:比 C:二 |");
}

TEST(Numbers, FractionsRangesAndMoney) {
    EXPECT_EQ(read("", "3/4的"), "C:四 W:分之 C:三 |的");
    EXPECT_EQ(read("", "1/0"), "C:一 |/0");  // no fraction over zero
    EXPECT_EQ(read("", "3-5天"), "C:三 W:到 C:五 |天");
    EXPECT_EQ(read("", "20～25℃"), "C:二十 W:到 C:二十五 W:摄氏度 |");
    EXPECT_EQ(read("", "3-5%"), "W:百分之 C:三 W:到百分之 C:五 |");
    EXPECT_EQ(read("", "2020-2023年"), "D:二零二零 W:到 D:二零二三 |年");
    EXPECT_EQ(read("", "9:00-17:00"), "C:九 W:点到 C:十七 W:点 |");
    EXPECT_EQ(read("", "¥38"), "C:三十八 W:元 |");
    EXPECT_EQ(read("", "￥1,200"), "C:一千二百 W:元 |");
    EXPECT_EQ(read("", "$5"), "C:五 W:美元 |");
    EXPECT_EQ(read("", "€9.9"), "C:九 D:点九 W:欧元 |");
}

TEST(Numbers, CodesAreReadDigitByDigit) {
    EXPECT_EQ(read("电话", "12345"), "D:幺二三四五 |");
    EXPECT_EQ(read("电话：", "12345"), "D:幺二三四五 |");
    EXPECT_EQ(read("电话是", "12345"), "D:幺二三四五 |");
    EXPECT_EQ(read("电话很多，有", "12345"), "C:一万两千三百四十五 |");
    EXPECT_EQ(read("", "13812345678"), "D:幺三八幺二三四五六七八 |");
    EXPECT_EQ(read("", "007"), "D:零零七 |");
    EXPECT_EQ(read("", "010-12345678"), "D:零幺零幺二三四五六七八 |");
    EXPECT_EQ(read("", "400-800-8888"), "D:四零零八零零八八八八 |");
    EXPECT_EQ(read("", "305号"), "D:三零五 |号");
    EXPECT_EQ(read("第", "305号"), "C:三百零五 |号");
    EXPECT_EQ(read("邮政编码", "100080"), "D:幺零零零八零 |");
    EXPECT_EQ(read("", "1.2.3"), "D:一点二点三 |");
}

TEST(Numbers, CountsOrdinalsAndUnits) {
    EXPECT_EQ(read("", "2个"), "C:两 |个");
    EXPECT_EQ(read("", "2小时"), "C:两 |小时");
    EXPECT_EQ(read("", "2月"), "C:二 |月");
    EXPECT_EQ(read("", "2年级"), "C:二 |年级");
    EXPECT_EQ(read("第", "2名"), "C:二 |名");
    EXPECT_EQ(read("", "1个"), "1:一 |个");
    EXPECT_EQ(read("", "1点"), "C:一 |点");
    EXPECT_EQ(read("", "1楼"), "C:一 |楼");
    EXPECT_EQ(read("", "15kg"), "C:十五 W:千克 |");
    EXPECT_EQ(read("", "100 km/h"), "C:一百 W:千米每小时 |");
    EXPECT_EQ(read("", "5G"), "C:五 |G");  // a letter that is no unit stays
    EXPECT_EQ(read("", "3kgs"), "C:三 |kgs");
}

TEST(Numbers, HugeNumbersAreDigitsAndLinear) {
    const std::string digits(10000, '7');
    const std::string r = read("", digits + "个");
    EXPECT_EQ(r.size(), std::string("D: ").size() + 10000 * 3 + std::string("|个").size());
    EXPECT_EQ(r.substr(r.size() - 4), "|个");
    // Ten thousand digits with separators in between: read up to where the groups break.
    std::string grouped = "1";
    for (int i = 0; i < 3000; ++i) grouped += ",000";
    EXPECT_EQ(read("", grouped).substr(0, 2), "D:");
}

}  // namespace
}  // namespace talvoro::mandarin
