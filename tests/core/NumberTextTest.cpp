#include <gtest/gtest.h>

#include <cmath>

#include "app/NumberText.h"

namespace talvoro {
namespace {

TEST(LeadingNumber, ReadsTheLeadingNumberAndIgnoresTheRest) {
    struct Case {
        const char* text;
        double want;
    } cases[] = {
        {"", 0},
        {"3000", 3000},
        {"-150", -150},
        {"+45", 45},
        {"12abc", 12},
        {"abc", 0},
        {"abc12", 0},
        {"   ", 0},
        {" 1 2\t3\n", 123},  // blanks, tabs and line feeds are ignored wherever they stand
        {"- 15", -15},
        {"12.5", 12.5},
        {".5", 0.5},
        {"5.", 5},
        {"1.5.3", 1.5},
        {"1,5", 1},  // the decimal point is always "."
        {"2e3", 2000},
        {"2E+3", 2000},
        {"25E-1", 2.5},
        {"1e", 1},
        {"1e+", 1},
        {"-", 0},
        {"+.", 0},
        {"e5", 0},
        {"0x10", 0},
        {"\r12", 0},  // a carriage return is not a blank
        {"1e30", 1e30},
        {"-1E30", -1e30},
        {"1e-400", 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.want) << c.text;
}

TEST(LeadingNumber, HugeExponentsGiveInfinityInsteadOfFailing) {
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
    EXPECT_LT(leadingNumber("-9e99999999999999999999"), 0);
    const std::string longDigits(5000, '9');
    EXPECT_GT(leadingNumber(longDigits), 1e300);
}

// Beyond the range of a double, the number's size decides between 0 and infinity, however it
// is written: with or without an exponent, with leading zeros on either side.
TEST(LeadingNumber, NumbersOutOfRangeAreZeroOrInfinityByTheirSize) {
    const std::string zeros(400, '0');
    const std::string tiny = "0." + zeros + "1";  // 1e-401, no exponent
    EXPECT_EQ(leadingNumber(tiny), 0.0);
    EXPECT_EQ(leadingNumber("-" + tiny), 0.0);
    EXPECT_EQ(leadingNumber("." + zeros + "7abc"), 0.0);
    EXPECT_EQ(leadingNumber(tiny + "e+5"), 0.0);             // 1e-396
    EXPECT_TRUE(std::isinf(leadingNumber(tiny + "e+800")));  // 1e+399
    EXPECT_EQ(leadingNumber("1" + zeros + "e-800"), 0.0);    // 1e-400
    EXPECT_TRUE(std::isinf(leadingNumber("1" + zeros + "e-5")));
    EXPECT_EQ(leadingNumber("-" + zeros + "1" + zeros + "e-9999999999999999999999"), 0.0);
    EXPECT_EQ(leadingNumber("-0.000" + zeros + "9e-1"), 0.0);
    EXPECT_LT(leadingNumber("-" + zeros + "5" + zeros), -1e300);
    // Within range, the same shapes read as themselves.
    EXPECT_DOUBLE_EQ(leadingNumber("0." + std::string(300, '0') + "1e+301"), 1.0);
    EXPECT_DOUBLE_EQ(leadingNumber("1" + std::string(300, '0') + "e-298"), 100.0);
}

TEST(NumberText, WritesShortestDecimalForm) {
    struct Case {
        float value;
        const char* want;
    } cases[] = {
        {4500, "4500"},
        {-150, "-150"},
        {0, "0"},
        {-0.0f, "0"},
        {12.5f, "12.5"},
        {-0.25f, "-0.25"},
        {0.1f, "0.1"},
        {1234567, "1234567"},
        {1e30f, "1E+30"},
        {12345678, "1.234568E+07"},
        {1e-5f, "1E-05"},
        {2999.9998f, "3000"},
        {2999.5f, "2999.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(numberText(c.value), c.want) << c.value;
}

TEST(NumberText, WholeTwipValuesRoundTrip) {
    for (int twips = -40000; twips <= 40000; twips += 15)
        EXPECT_EQ(static_cast<float>(leadingNumber(numberText(static_cast<float>(twips)))), twips);
}

}  // namespace
}  // namespace talvoro
