#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "MandarinTestDictionary.h"

namespace talvoro::mandarin {
namespace {

TEST(ScriptRuns, HanIsMandarinWhateverVoiceIsTicked) {
    for (TickedScript t : {TickedScript::Han, TickedScript::Latin, TickedScript::Other})
        EXPECT_EQ(runs("你好", t), "M:ni3 hao3");
}

TEST(ScriptRuns, LatinWordsGoToEnglishUnlessTheTickedVoiceReadsLatin) {
    EXPECT_EQ(runs("请打开Chrome浏览器。"), "M:qing3 da3 kai1|E:Chrome|M:liu2 lan3 qi4。");
    EXPECT_EQ(runs("请打开Chrome浏览器。", TickedScript::Latin),
              "M:qing3 da3 kai1|T:Chrome|M:liu2 lan3 qi4。");
    // A voice of another script keeps Latin words on lines without Han text.
    EXPECT_EQ(runs("我用Linux\nHello world", TickedScript::Other),
              "M:wo3 yong4|E:Linux|T:Hello world");
    EXPECT_EQ(runs("Привет, мир", TickedScript::Latin), "T:Привет, мир");
    EXPECT_EQ(runs("Hello, world! 你好"), "E:Hello, world!|M:ni3 hao3");
}

TEST(ScriptRuns, WordsKeepTheirInnerSignsAndFullwidthLettersBecomeAscii) {
    EXPECT_EQ(runs("看看e-mail和don't吧"), "M:kan4 kan5|E:e-mail|M:he2|E:don't|M:ba5");
    EXPECT_EQ(runs("ＡＢＣ公司"), "E:ABC|M:gong1 si1");
    EXPECT_EQ(runs("用C++写"), "M:yong4|E:C++|M:xie3");
}

TEST(ScriptRuns, DigitsFollowTheWordsAroundThem) {
    EXPECT_EQ(runs("I have 3 apples."), "E:I have 3 apples.");
    EXPECT_EQ(runs("I have 3 apples.", TickedScript::Latin), "T:I have 3 apples.");
    EXPECT_EQ(runs("我有3个苹果", TickedScript::Latin), "M:wo3 you3 san1 ge4 ping2 guo3");
    EXPECT_EQ(runs("Windows 11系统"), "E:Windows|M:shi2 yi1 xi4 tong3");
    EXPECT_EQ(runs("2024"), "M:liang3 qian1 ling2 er4 shi2 si4");
    EXPECT_EQ(runs("2024", TickedScript::Latin), "T:2024");
    EXPECT_EQ(runs("5G网络"), "M:wu3|E:G|M:wang3 luo4");
}

TEST(Punctuation, ChinesePunctuationGivesPausesAndStopsEndSentences) {
    EXPECT_EQ(runs("你好，世界。我来了！真的吗？好；走：快、慢"),
              "M:ni3 hao3, shi4 jie4。 wo3 lai2 le5! zhen1 de5 ma5? hao3; zou3: kuai4, man4");
    EXPECT_EQ(runs("“你好”（世界）《书》"), "M:ni3 hao3 shi4 jie4 shu1");
    EXPECT_EQ(runs("第一行\n第二行\n\n新段落"), "M:di4 yi1 hang2, di4 er4 hang2。 xin1 duan4 luo4");
    EXPECT_EQ(runs("。。。！！！"), "");
    EXPECT_EQ(runs("好吗？！"), "M:hao3 ma5!");
}

TEST(Readings, PolyphonesByWordAndTraditionalAsSimplified) {
    EXPECT_EQ(runs("银行行长"), "M:yin2 hang2 hang2 zhang3");
    EXPECT_EQ(runs("銀行行長"), "M:yin2 hang2 hang2 zhang3");
    EXPECT_EQ(runs("行人走人行道"), "M:xing2 ren2 zou3 ren2 xing2 dao4");
    EXPECT_EQ(runs("孩子长高了，河很长"), "M:hai2 zi5 zhang3 gao1 le5, he2 hen3 chang2");
    EXPECT_EQ(runs("重新开始，箱子很重"), "M:chong2 xin1 kai1 shi3, xiang1 zi5 hen3 zhong4");
    EXPECT_EQ(runs("怎么知道"), "M:zen3 me5 zhi1 dao5");
}

TEST(Readings, ToneChangesOfYiAndBu) {
    EXPECT_EQ(runs("一天，一年，一本，一次"), "M:yi4 tian1, yi4 nian2, yi4 ben3, yi2 ci4");
    EXPECT_EQ(runs("第一，十一，一二三"), "M:di4 yi1, shi2 yi1, yi1 er4 san1");
    EXPECT_EQ(runs("看一看"), "M:kan4 yi5 kan4");
    EXPECT_EQ(runs("三比一"), "M:san1 bi3 yi1");
    EXPECT_EQ(runs("不去，不来，不好"), "M:bu2 qu4, bu4 lai2, bu4 hao3");
    EXPECT_EQ(runs("我不。"), "M:wo3 bu4。");
    EXPECT_EQ(runs("有1个人"), "M:you3 yi2 ge4 ren2");
    EXPECT_EQ(runs("100人"), "M:yi4 bai3 ren2");
    EXPECT_EQ(runs("1万"), "M:yi2 wan4");
}

TEST(Readings, CharactersTheirNeighboursDecide) {
    EXPECT_EQ(runs("书要按时还。"), "M:shu1 yao4 an4 shi2 huan2。");
    EXPECT_EQ(runs("我明天还你钱"), "M:wo3 ming2 tian1 huan2 ni3 qian2");
    EXPECT_EQ(runs("他还没来"), "M:ta1 hai2 mei2 lai2");
    EXPECT_EQ(runs("认真地学习"), "M:ren4 zhen1 de5 xue2 xi2");
    EXPECT_EQ(runs("多地下雨"), "M:duo1 di4 xia4 yu3");
    EXPECT_EQ(runs("我得走了，跑得快"), "M:wo3 dei3 zou3 le5, pao3 de5 kuai4");
    EXPECT_EQ(runs("震级为6.8级，另存为"), "M:zhen4 ji2 wei2 liu4 dian3 ba1 ji2, ling4 cun2 wei2");
    EXPECT_EQ(runs("为人民服务"), "M:wei4 ren2 min2 fu2 wu4");
    EXPECT_EQ(runs("他很好学，也好问"), "M:ta1 hen3 hao4 xue2, ye3 hao4 wen4");
}

TEST(Readings, NumbersInChineseText) {
    EXPECT_EQ(runs("增长了12.5%。"), "M:zeng1 zhang3 le5 bai3 fen1 zhi1 shi2 er4 dian3 wu3。");
    EXPECT_EQ(runs("气温-3℃"), "M:qi4 wen1 ling2 xia4 san1 she4 shi4 du4");
    EXPECT_EQ(runs("请拨打电话12345"), "M:qing3 bo1 da3 dian4 hua4 yao1 er4 san1 si4 wu3");
    EXPECT_EQ(runs("1949年10月1日"), "M:yi1 jiu3 si4 jiu3 nian2 shi2 yue4 yi1 ri4");
    EXPECT_EQ(runs("下午2点"), "M:xia4 wu3 liang3 dian3");
    EXPECT_EQ(runs("第3行，两行字"), "M:di4 san1 hang2, liang3 hang2 zi4");
    EXPECT_EQ(runs("跑了5km"), "M:pao3 le5 wu3 qian1 mi3");
}

TEST(Robustness, BadBytesAndControlsPassSafely) {
    EXPECT_EQ(runs("你\xff好"), "M:ni3 hao3");
    EXPECT_EQ(runs("ab\xc3(cd"), "E:ab\xEF\xBF\xBD(cd");
    EXPECT_EQ(runs("a\x01"
                   "1b"),
              "E:a\x01"
              "1b");  // the funnel to the engine strips controls
    EXPECT_EQ(runs("你\x01好"), "M:ni3 hao3");
    EXPECT_EQ(runs(std::string("你\0好", 7)), "M:ni3 hao3");
    EXPECT_EQ(runs("\xe4\xbd"), "");  // a character cut short at the end of a piece
    EXPECT_EQ(runs(""), "");
    EXPECT_EQ(runs("\xF0\x9F\x98\x80"), "");  // nothing to say: no run
}

TEST(Robustness, HugeInputsEndBoundedAndWhole) {
    // Ten thousand digits in Chinese text: read digit by digit.
    const std::string digits = "号码" + std::string(10000, '8') + "。";
    const auto r1 = testFrontEnd().read(digits, TickedScript::Han);
    ASSERT_EQ(r1.size(), 1u);
    EXPECT_EQ(r1[0].text.size(), std::string("hao4 ma3 ").size() + 10000 * 4 - 1 + 3);
    // A megabyte of punctuation says nothing.
    std::string marks;
    while (marks.size() < (1 << 20)) marks += "。，！？……——“”";
    EXPECT_TRUE(testFrontEnd().read(marks, TickedScript::Han).empty());
    // Scripts changing at every character: one run each, none empty, nothing lost.
    std::string mixed;
    for (int i = 0; i < 50000; ++i) mixed += i % 2 ? "a" : "中";
    const auto r3 = testFrontEnd().read(mixed, TickedScript::Han);
    EXPECT_EQ(r3.size(), 50000u);
    for (std::size_t i = 0; i < r3.size(); ++i) ASSERT_EQ(r3[i].text, i % 2 ? "a" : "zhong1") << i;
    // A long Han text is read in slices without losing a character.
    std::string han;
    for (int i = 0; i < 30000; ++i) han += "我们";
    std::size_t syllables = 0;
    for (const mandarin::Run& r : testFrontEnd().read(han, TickedScript::Han))
        for (char c : r.text) syllables += c == ' ' ? 1 : 0;
    EXPECT_EQ(syllables + 1, 60000u);
}

TEST(Robustness, ReadingIsTheSameWhateverThreadReads) {
    const std::string text = "这家银行今天不营业，请拨打电话12345。";
    const std::string expected = runs(text);
    std::vector<std::thread> threads;
    std::vector<std::string> got(4);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) got[t] = runs(text);
        });
    for (auto& th : threads) th.join();
    for (const auto& g : got) EXPECT_EQ(g, expected);
}

}  // namespace
}  // namespace talvoro::mandarin
