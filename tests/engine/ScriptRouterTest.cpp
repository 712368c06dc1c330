// Who reads what: the voices that the engine hands each part of a text to, with the Mandarin
// dictionary the build made. No sound is made here.

#include <gtest/gtest.h>

#include "speech/espeak/ScriptRouter.h"

namespace talvoro::espeak {
namespace {

constexpr const char* kPinyin = "sit/cmn-Latn-pinyin";
constexpr const char* kEnglish = "gmw/en";

VoiceEntry voice(std::vector<std::string> languages) {
    VoiceEntry v;
    v.identifier = "test";
    for (auto& l : languages) v.languages.emplace_back(5, std::move(l));
    return v;
}

TEST(VoiceScript, ComesFromTheVoicesLanguages) {
    struct Case {
        std::vector<std::string> languages;
        VoiceScript want;
    } cases[] = {
        {{"cmn", "zh-cmn", "zh"}, VoiceScript::Mandarin},
        {{"cmn-latn-pinyin", "zh-cmn", "zh"}, VoiceScript::Latin},  // reads pinyin
        {{"yue", "zh-yue", "zh"}, VoiceScript::Han},
        {{"zh-yue"}, VoiceScript::Han},
        {{"hak"}, VoiceScript::Han},
        {{"ja"}, VoiceScript::Other},  // kana; its Han text goes to Mandarin
        {{"ru"}, VoiceScript::Other},
        {{"el"}, VoiceScript::Other},
        {{"en-gb-x-rp"}, VoiceScript::Latin},
        {{"fr-fr"}, VoiceScript::Latin},
        {{"fa"}, VoiceScript::Other},
        {{"fa-latn"}, VoiceScript::Latin},
        {{"hy-arevmda"}, VoiceScript::Other},  // known by its language alone
        {{"qya"}, VoiceScript::Latin},         // unknown: an invented language in Latin letters
    };
    for (const Case& c : cases)
        EXPECT_EQ(voiceScript(voice(c.languages)), c.want) << c.languages.front();
}

class ScriptRouterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frontEnd = std::make_shared<const mandarin::FrontEnd>(
            mandarin::Dictionary::open(TALVORO_MANDARIN_DICT));
    }
    static void TearDownTestSuite() { frontEnd.reset(); }

    std::vector<VoiceCall> read(const std::string& text, VoiceInForce in) const {
        std::vector<VoiceCall> calls;
        router.read(text, in, calls);
        return calls;
    }

    static inline std::shared_ptr<const mandarin::FrontEnd> frontEnd;
    ScriptRouter router{frontEnd, kPinyin, kEnglish};
};

const VoiceInForce kAmerican{"gmw/en-US", VoiceScript::Latin, false};
const VoiceInForce kMandarin{"sit/cmn", VoiceScript::Mandarin, false};
const VoiceInForce kRussian{"zle/ru", VoiceScript::Other, false};
const VoiceInForce kCantonese{"sit/yue", VoiceScript::Han, true};

TEST_F(ScriptRouterTest, HanTextIsReadInMandarinWhateverTheVoice) {
    for (const VoiceInForce& in : {kAmerican, kMandarin, kRussian}) {
        const auto calls = read("这家银行今天不营业。", in);
        ASSERT_EQ(calls.size(), 1u) << in.voice;
        EXPECT_EQ(calls[0].voice, kPinyin);
        EXPECT_EQ(calls[0].text, "zhe4 jia1 yin2 hang2 jin1 tian1 bu4 ying2 ye4。");
    }
    // A voice that reads Han itself is given the text as written.
    EXPECT_EQ(read("银行 Linux", kCantonese),
              (std::vector<VoiceCall>{{"sit/yue", "银行 Linux", false}}));
}

TEST_F(ScriptRouterTest, LatinWordsInChineseStayWithALatinVoiceAndGoToEnglishOtherwise) {
    const std::string text = "我用Linux";
    EXPECT_EQ(read(text, kAmerican), (std::vector<VoiceCall>{{kPinyin, "wo3 yong4", false},
                                                             {"gmw/en-US", "Linux", false}}));
    EXPECT_EQ(read(text, kRussian),
              (std::vector<VoiceCall>{{kPinyin, "wo3 yong4", false}, {kEnglish, "Linux", false}}));
    EXPECT_EQ(read("Привет, " + text, kRussian).front(), (VoiceCall{"zle/ru", "Привет,", false}));
    // Digits alone are read in the language of the voice in force.
    EXPECT_EQ(read("123", kMandarin),
              (std::vector<VoiceCall>{{kPinyin, "yi4 bai3 er4 shi2 san1", false}}));
    EXPECT_EQ(read("123", kAmerican), (std::vector<VoiceCall>{{"gmw/en-US", "123", false}}));
}

TEST_F(ScriptRouterTest, AFemaleVoiceStaysFemaleInTheVoicesThatStandIn) {
    const VoiceInForce female{"zle/ru+f3", VoiceScript::Other, false};
    const auto calls = read("你好 Linux", female);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].voice, std::string(kPinyin) + "+f3");
    EXPECT_EQ(calls[1].voice, std::string(kEnglish) + "+f3");
    EXPECT_EQ(router.pronounce("yin2 hang2", female),
              (VoiceCall{std::string(kPinyin) + "+f3", "yin2 hang2", false}));
}

TEST_F(ScriptRouterTest, SpelledTextBypassesTheDictionaryHanCharactersInMandarin) {
    std::vector<VoiceCall> calls;
    router.spell("AB银行C", kAmerican, calls);
    EXPECT_EQ(calls,
              (std::vector<VoiceCall>{
                  {"gmw/en-US", "AB", true}, {kPinyin, "银行", true}, {"gmw/en-US", "C", true}}));
    calls.clear();
    router.spell("银行", kCantonese, calls);
    EXPECT_EQ(calls, (std::vector<VoiceCall>{{"sit/yue", "银行", true}}));
    // With the pinyin voice in force, one call spells the text as it stands.
    calls.clear();
    router.spell("A 银", {kPinyin, VoiceScript::Latin, false}, calls);
    EXPECT_EQ(calls, (std::vector<VoiceCall>{{kPinyin, "A 银", true}}));
}

TEST_F(ScriptRouterTest, WithoutADictionaryEveryTextGoesToTheVoiceInForce) {
    const ScriptRouter bare(nullptr, kPinyin, kEnglish);
    const ScriptRouter noPinyinVoice(frontEnd, "", kEnglish);
    for (const ScriptRouter* r : {&bare, &noPinyinVoice}) {
        std::vector<VoiceCall> calls;
        r->read("我用Linux", kAmerican, calls);
        EXPECT_EQ(calls, (std::vector<VoiceCall>{{"gmw/en-US", "我用Linux", false}}));
    }
}

}  // namespace
}  // namespace talvoro::espeak
