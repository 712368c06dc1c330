#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "MandarinTestDictionary.h"
#include "speech/mandarin/Segmenter.h"
#include "speech/mandarin/Text.h"

namespace talvoro::mandarin {
namespace {

namespace fs = std::filesystem;

std::u32string utf32(std::string_view s) {
    std::u32string out;
    const auto chars = decodeUtf8(s);
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) out += chars[i].cp;
    return out;
}

// The words of a Han text, separated by "/".
std::string words(std::string_view text) {
    const std::u32string han = utf32(text);
    std::string out;
    for (const Word& w : segment(testDictionary()->tables(), han)) {
        if (!out.empty()) out += "/";
        for (std::uint32_t k = w.begin; k < w.end; ++k) appendUtf8(out, han[k]);
        if (!w.syllables) out += "?";
    }
    return out;
}

class TempDir : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("mandarin-dict-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }
};

std::string realBytes() {
    std::ifstream in(TALVORO_MANDARIN_DICT, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Segmenter, SplitsIntoTheMostProbableWords) {
    EXPECT_EQ(words("我们在朝阳附近见面"), "我们/在/朝阳/附近/见面");
    EXPECT_EQ(words("这家银行今天不营业"), "这家/银行/今天/不/营业");
    EXPECT_EQ(words("研究生命的起源"), "研究/生命/的/起源");
}

TEST(Segmenter, ReduplicationAndDegreeAdverbsSplitWhereTheWritingDoes) {
    EXPECT_EQ(words("请数一数"), "请/数/一/数");
    EXPECT_EQ(words("想了想"), "想/了/想");
    EXPECT_EQ(words("他很好学"), "他/很/好学");
    EXPECT_EQ(words("一一对应"), "一一对应");  // numerals are not verbs
}

TEST(Segmenter, UnknownCharactersStandAloneAndEverythingIsCovered) {
    EXPECT_EQ(words("你\U0003134A好"), "你/\U0003134A?/好");  // an ideograph without a reading
    EXPECT_EQ(words(""), "");
    EXPECT_EQ(readingOf(testDictionary()->tables(), U'A'), -1);
}

TEST_F(TempDir, OpeningRefusesWhatIsNoDictionary) {
    EXPECT_THROW(Dictionary::open((dir / "missing.dict").string()), DictionaryError);
    EXPECT_THROW(Dictionary::open(dir.string()), DictionaryError);
    EXPECT_THROW(Dictionary::open(write("short", "TVMD")), DictionaryError);
    const std::string real = realBytes();
    std::string other = real;
    other[0] = 'X';
    EXPECT_THROW(Dictionary::open(write("magic", other)), DictionaryError);
    other = real;
    other[4] = 9;  // version
    EXPECT_THROW(Dictionary::open(write("version", other)), DictionaryError);
    EXPECT_THROW(Dictionary::open(write("cut", real.substr(0, real.size() / 2))), DictionaryError);
    other = real;
    other[23] = char(0x7F);  // slot count beyond the file
    EXPECT_THROW(Dictionary::open(write("slots", other)), DictionaryError);
}

TEST_F(TempDir, DamagedRecordsGiveWrongReadingsNeverBadAccess) {
    std::string bytes = realBytes();
    // Overwrite the records with noise: every lookup must stay inside the file.
    const std::uint32_t recordOffset = std::uint8_t(bytes[36]) | std::uint8_t(bytes[37]) << 8 |
                                       std::uint8_t(bytes[38]) << 16 |
                                       std::uint8_t(bytes[39]) << 24;
    std::uint32_t seed = 1;
    for (std::size_t i = recordOffset; i < bytes.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = char(seed >> 16);
    }
    const FrontEnd frontEnd(Dictionary::open(write("noise", bytes)));
    frontEnd.read("这家银行今天不营业，请拨打电话12345。我们在朝阳公园见面。", TickedScript::Han);
}

TEST_F(TempDir, LocateLooksBesideTheProgramThenInShare) {
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "lib" / "talvoro");
    EXPECT_EQ(Dictionary::locate((dir / "bin").string()), "");
    fs::create_directories(dir / "share" / "talvoro");
    write("share/talvoro/mandarin.dict", "x");
    const std::string installed = (dir / "share" / "talvoro" / "mandarin.dict").string();
    EXPECT_EQ(Dictionary::locate((dir / "bin").string()), installed);
    EXPECT_EQ(Dictionary::locate((dir / "lib" / "talvoro").string()), installed);
    write("bin/mandarin.dict", "x");
    EXPECT_EQ(Dictionary::locate((dir / "bin").string()), (dir / "bin" / "mandarin.dict").string());
}

// Every line of the project's own fixes is read as it says, in running text.
TEST(Fixes, EachFixIsReadAsWritten) {
    std::ifstream in(TALVORO_MANDARIN_FIXES);
    ASSERT_TRUE(in);
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string word = line.substr(0, tab), reading = line.substr(tab + 1);
        EXPECT_EQ(runs("“" + word + "”"), "M:" + reading) << word;
        ++count;
    }
    EXPECT_GT(count, 0);
    // And inside longer words made of them.
    EXPECT_EQ(runs("应用程序"), "M:ying4 yong4 cheng2 xu4");
    EXPECT_EQ(runs("他在大学教中文"), "M:ta1 zai4 da4 xue2 jiao1 zhong1 wen2");
}

}  // namespace
}  // namespace talvoro::mandarin
