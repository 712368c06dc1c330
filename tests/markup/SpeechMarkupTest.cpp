#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "speech/markup/SpeechMarkup.h"

namespace talvoro::markup {
namespace {

using namespace std::string_literals;

// One line per piece: text as it is, "[Nms]" for a silence, "#name" for a bookmark, "/pinyin/"
// for a pronunciation, followed by the settings that differ from a default Piece:
// {r=5,v=25,p=-2,E,S,voice=required/optional}.
std::string render(const std::vector<Piece>& pieces) {
    std::string out;
    for (const Piece& p : pieces) {
        if (!out.empty()) out += " | ";
        if (p.kind == PieceKind::Silence) out += "[" + std::to_string(p.silenceMs) + "ms]";
        if (p.kind == PieceKind::Bookmark) out += "#" + p.text;
        if (p.kind == PieceKind::Silence || p.kind == PieceKind::Bookmark) continue;
        out += p.kind == PieceKind::Pinyin ? "/" + p.text + "/" : p.text;
        std::string s;
        auto add = [&s](const std::string& item) { s += (s.empty() ? "" : ",") + item; };
        if (p.rate != 0) add("r=" + std::to_string(p.rate));
        if (p.volume != 100) add("v=" + std::to_string(p.volume));
        if (p.pitch != 0) add("p=" + std::to_string(p.pitch));
        if (p.emphasis) add("E");
        if (p.spell) add("S");
        if (p.voice) add("voice=" + p.voice->required + "/" + p.voice->optional);
        if (!s.empty()) out += "{" + s + "}";
    }
    return out;
}

std::string xml(const std::string& text, Settings settings = {}) {
    return render(readSpeech(text, kFlagIsXml, settings));
}

struct Case {
    const char* text;
    const char* want;
};

void expectAll(std::initializer_list<Case> cases, Settings settings = {}) {
    for (const Case& c : cases) EXPECT_EQ(xml(c.text, settings), c.want) << c.text;
}

TEST(ReadSpeech, FlagsAndTheFirstCharacterDecideWhetherMarkupIsRead) {
    struct FlagCase {
        const char* text;
        int flags;
        const char* want;
    } cases[] = {
        {"<emph>x</emph>", 0, "x{E}"},
        {"Hi <emph>x</emph>", 0, "Hi <emph>x</emph>"},
        {" <emph>x</emph>", 0, " <emph>x</emph>"},
        {"Hi <emph>x</emph>", kFlagIsXml, "Hi  | x{E}"},
        {"<emph>x</emph>", kFlagIsNotXml, "<emph>x</emph>"},
        {"<emph>x</emph>", kFlagIsXml | kFlagIsNotXml, "<emph>x</emph>"},
        {"a &amp; b", kFlagIsNotXml, "a &amp; b"},
        {"\xEF\xBB\xBF<emph>x</emph>", 0, "x{E}"},  // a byte order mark is not the first character
        {"", 0, ""},
        {"", kFlagIsXml, ""},
        {"", kFlagIsNotXml, ""},
    };
    for (const FlagCase& c : cases)
        EXPECT_EQ(render(readSpeech(c.text, c.flags, {})), c.want) << c.text << " " << c.flags;
}

TEST(ReadSpeech, LiteralTextCarriesTheEngineSettings) {
    const auto pieces = readSpeech("<x", kFlagIsNotXml, Settings{3, 150, -20});
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].rate, 3);
    EXPECT_EQ(pieces[0].volume, 100);
    EXPECT_EQ(pieces[0].pitch, -10);
}

TEST(SapiTags, VolumeMultipliesWithTheEngineAndNestsAbsolutely) {
    const Settings half{0, 50, 0};
    expectAll(
        {
            {"a<volume level=\"50\">b</volume>c", "a{v=50} | b{v=25} | c{v=50}"},
            {"<volume level=\"50\"><volume level=\"100\">a</volume>b</volume>",
             "a{v=50} | b{v=25}"},
            {"<volume level=\"150\">a</volume><volume level=\"-5\">b</volume>", "a{v=50} | b{v=0}"},
            {"<volume level=\"soft\">a</volume>", "a{v=50}"},  // no number: no change
        },
        half);
}

TEST(SapiTags, RateAndPitchAreAbsoluteOrRelativeAndClampedInThePieces) {
    const Settings engine{3, 100, -1};
    expectAll(
        {
            {"<rate speed=\"2\">a</rate>b", "a{r=5,p=-1} | b{r=3,p=-1}"},
            {"<rate absspeed=\"-5\">a<rate speed=\"-2\">b</rate></rate>",
             "a{r=-5,p=-1} | b{r=-7,p=-1}"},
            // Steps add up unclamped (3 + 20 - 10 = 13), so both pieces are at 10 and merge.
            {"<rate speed=\"20\">a<rate speed=\"-10\">b</rate></rate>", "ab{r=10,p=-1}"},
            {"<rate speed=\"99999999999999999999\">a</rate>", "a{r=10,p=-1}"},
            {"<rate absspeed=\"-99999999999999999999\">a</rate>", "a{r=-10,p=-1}"},
            {"<rate absspeed=\"4\" speed=\"1\">a</rate>", "a{r=4,p=-1}"},
            {"<pitch middle=\"3\">a</pitch><pitch absmiddle=\"-12\">b</pitch>",
             "a{r=3,p=2} | b{r=3,p=-10}"},
        },
        engine);
}

TEST(SapiTags, EmptyFormLastsUntilTheEndOfTheEnclosingElement) {
    expectAll({
        {"a<rate speed=\"5\"/>b<emph>c</emph>d", "a | b{r=5} | c{r=5,E} | d{r=5}"},
        {"<emph>a<volume level=\"50\"/>b</emph>c", "a{E} | b{v=50,E} | c"},
        {"<voice required=\"Gender=Male\"/>a", "a{voice=Gender=Male/}"},
        {"<emph/>a<spell/>b", "ab"},  // emph and spell apply to content only
    });
}

TEST(SapiTags, InsertionsHintsAndVoices) {
    expectAll({
        {"<spell>NASA</spell> says", "NASA{S} |  says"},
        {"a<silence msec=\"250\"/>b", "a | [250ms] | b"},
        {"a<silence msec=\"0\"/>b<silence msec=\"x\"/>c<silence msec=\"-4\"/>d", "abcd"},
        {"a<silence msec=\"99999999999\"/>", "a | [65535ms]"},
        {"a<bookmark mark=\"one &amp; two\"/>b", "a | #one & two | b"},
        {"<pron sym=\"h eh 1 l ow\">hello</pron><pron sym=\"x\"/>", "hello"},
        {"<partofsp part=\"noun\">a</partofsp><context id=\"date_mdy\">03/04/01</context>",
         "a03/04/01"},
        {"<voice required=\"Gender=Female;Age!=Child\" optional=\"Name=Anna\">a</voice>b",
         "a{voice=Gender=Female;Age!=Child/Name=Anna} | b"},
        {"<voice required=\"Gender=Female\">a<voice required=\"Age=Teen\">b</voice></voice>",
         "a{voice=Gender=Female/} | b{voice=Age=Teen/Gender=Female}"},
        {"<voice>a</voice>", "a"},
        {"<lang langid=\"804\">a</lang><lang langid=\"0409\">b</lang><lang langid=\"c0a\">c</lang>",
         "a{voice=Language=804/} | b{voice=Language=409/} | c{voice=Language=C0A/}"},
        {"<lang langid=\"zz\">a</lang><lang langid=\"0\">b</lang>", "ab"},
        {"<SAPI><VOLUME LEVEL=\"50\">a</Volume></sapi>", "a{v=50}"},
    });
}

// A pronunciation in the Chinese phone set replaces the words it covers, in the settings in force
// there; any other phone set leaves the words to be read.
TEST(SapiTags, PronInPinyinIsSpokenInsteadOfItsContent) {
    expectAll({
        {"<pron sym=\"yin 2 hang 2\">银行</pron>很近", "/yin2 hang2/ | 很近"},
        {"a<pron sym=\"Hang2\"/>b", "a | /hang2/ | b"},
        {"<rate speed=\"5\"><pron sym=\"lü 4  nv3\">x<emph>y</emph></pron></rate>z",
         "/lv4 nv3/{r=5} | z"},
        {"<pron sym=\"h eh 1 l ow\">hello</pron>", "hello"},
        {"<pron sym=\"yin 2 hang\">a</pron><pron sym=\"yin 6\">b</pron><pron sym=\"\">c</pron>",
         "abc"},
        {"<pron sym=\"zhuangg 1\">d</pron><pron>e</pron><pron sym=\"2 yin\">f</pron>", "def"},
        {"<pron sym=\"ni3\"><pron sym=\"hao3\">a</pron></pron>b", "/ni3/ | b"},
    });
}

TEST(SapiTags, VoiceListsStayShortHoweverDeepTheyNest) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "<voice required=\"Name=Voice" + std::to_string(i) + "\">";
    const auto pieces = readSpeech(text + "x", kFlagIsXml, {});
    ASSERT_EQ(pieces.size(), 1u);
    ASSERT_TRUE(pieces[0].voice);
    EXPECT_EQ(pieces[0].voice->required, "Name=Voice1999");
    EXPECT_LE(pieces[0].voice->optional.size(), 512u);
}

TEST(Entities, AreDecodedInTextAndAttributes) {
    expectAll({
        {"<x/>&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        {"<x/>&#65;&#x42;&#X43;&#x4e2d;&#x1F600;", "ABC\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"<x/>&#0;|&#xD800;|&#x110000;|&#99999999999999;",
         "\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD"},
        // Only the characters XML allows: no reference makes a control character the engine
        // would read as a command.
        {"<x/>&#1;100Hx|&#x1F;|&#xFFFE;|&#xFFFF;|&#9;&#xA;&#13;",
         "\xEF\xBF\xBD"
         "100Hx|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD|\t\n\r"},
        {"<x/>a & b &amp c &#; &#x; &#12 &AMP; &bogus;",
         "a & b &amp c &#; &#x; &#12 &AMP; &bogus;"},
        {"<x/>&", "&"},
        {"<bookmark mark='&lt;&#x41;&gt;'/>", "#<A>"},
        {"<emph><![CDATA[a<b&amp;]]></emph>", "a<b&amp;{E}"},
    });
}

TEST(Malformed, WhatIsNotATagIsSpokenAsText) {
    expectAll({
        {"<x/>a < b, x<3, <", "a < b, x<3, <"},
        {"<x/>< emph>a</ emph>", "< emph>a</ emph>"},
        {"hello <rate speed=5", "hello <rate speed=5"},
        {"a </emph", "a </emph"},
        {"<x/><bookmark mark=\"x/>rest", "<bookmark mark=\"x/>rest"},
        {"<x/><a b=>c", "<a b=>c"},
        {"<x/><a b=c\"d>e", "<a b=c\"d>e"},
        {"<x/>a<rate speed=5 <emph>b</emph>", "a<rate speed=5  | b{E}"},
        {"<x/>a <!-- never closed", "a <!-- never closed"},
        {"<x/>a <![CDATA[ never closed", "a <![CDATA[ never closed"},
        {"a</emph>b</zz>c", "abc"},
        {"<unknown attr=\"1\">a</unknown><b>c</b>", "ac"},
        {"<EmPh>a</eMpH>", "a{E}"},
        {"<rate speed=5>a</rate><rate speed='-3'>b</rate><volume level=50/>c",
         "a{r=5} | b{r=-3} | c{v=50}"},
        {"<emph valueless>a</emph>", "a{E}"},
        {"<emph><rate speed=\"5\">a</emph>b</rate>c", "a{r=5,E} | bc"},
        {"<emph>a<spell>b<rate speed=\"2\">c</spell>d", "a{E} | b{E,S} | c{r=2,E,S} | d{E}"},
        {"<emph>unclosed", "unclosed{E}"},
    });
    // NUL bytes and bytes that are not UTF-8 are text like any other.
    EXPECT_EQ(render(readSpeech("<emph>a\0b</emph>\xff"s, kFlagIsXml, {})), "a\0b{E} | \xff"s);
}

TEST(Malformed, CommentsDeclarationsAndInstructionsAreSkipped) {
    expectAll({
        {"<?xml version=\"1.0\"?><!-- note --><!DOCTYPE speak [ <!ENTITY x \"y\"> "
         "]><emph>Hi</emph>",
         "Hi{E}"},
        {"<x/>Hel<!-- in a word -->lo", "Hello"},
    });
}

TEST(Whitespace, BlanksBetweenTagsJoinTextOrSeparatePieces) {
    expectAll({
        {"<emph>a</emph> <emph>b</emph>", "a{E} | b{E}"},
        {"x<emph> </emph>y", "x | y"},
        {"a <bookmark mark=\"m\"/> b", "a  | #m |  b"},
        {"<x/>a\n<y/>\nb\r\n", "a\n\nb\r\n"},
        {"<speak>\n  <p>One.</p>\n  <p>Two.</p>\n</speak>", "One. | Two."},
    });
}

TEST(SpeakDocuments, ProsodyMapsOntoTheEngineScales) {
    const Settings engine{3, 100, 0};
    auto speak = [](const std::string& body) {
        return "<speak version=\"1.0\">" + body + "</speak>";
    };
    const Case cases[] = {
        {"<prosody rate=\"x-slow\">a</prosody><prosody rate=\"fast\">b</prosody>",
         "a{r=-9} | b{r=4}"},
        {"<prosody rate=\"medium\">a<prosody rate=\"default\">b</prosody></prosody>", "a | b{r=3}"},
        {"<prosody rate=\"+20%\">a</prosody><prosody rate=\"150%\">b</prosody>", "a{r=5} | b{r=7}"},
        {"<prosody rate=\"0.5\">a</prosody><prosody rate=\"300%\">b</prosody>",
         "a{r=-3} | b{r=10}"},
        {"<prosody rate=\"-50%\">a</prosody><prosody rate=\"0\">b</prosody>", "a{r=-3} | b{r=3}"},
        {"<prosody rate=\"slow\" pitch=\"x-high\" volume=\"soft\">a</prosody>", "a{r=-4,v=40,p=9}"},
        {"<prosody pitch=\"+2st\">a</prosody><prosody pitch=\"-10%\">b</prosody>",
         "a{r=3,p=4} | b{r=3,p=-4}"},
        {"<prosody pitch=\"200Hz\">a</prosody>", "a{r=3}"},
        {"<prosody volume=\"x-soft\">a<prosody volume=\"+10\">b</prosody></prosody>",
         "a{r=3,v=20} | b{r=3,v=30}"},
        {"<prosody volume=\"loud\">a<prosody volume=\"50%\">b</prosody><prosody "
         "volume=\"+6dB\">c</prosody></prosody>",
         "a{r=3,v=80} | b{r=3,v=40} | c{r=3}"},
        {"<prosody volume=\"250\">a</prosody><prosody volume=\"silent\">b</prosody>",
         "a{r=3} | b{r=3,v=0}"},
    };
    for (const Case& c : cases) EXPECT_EQ(xml(speak(c.text), engine), c.want) << c.text;
}

TEST(SpeakDocuments, BreaksVoicesAndTextElements) {
    expectAll({
        {"<speak>a<break time=\"500ms\"/>b<break time=\"1.5s\"/>c<break "
         "strength=\"strong\"/>d</speak>",
         "a | [500ms] | b | [1500ms] | c | [1000ms] | d"},
        {"<speak>a<break/>b<break strength=\"none\"/>c<break time=\"x\" "
         "strength=\"weak\"/></speak>",
         "a | [500ms] | bc | [250ms]"},
        {"<speak><voice gender=\"female\" age=\"30\">a</voice><voice name=\"Anna\" "
         "xml:lang=\"zh-CN\">b</voice></speak>",
         "a{voice=Gender=Female/Age=Adult} | b{voice=Name=Anna;Language=zh-CN/}"},
        {"<speak xml:lang=\"en-US\"><s>One</s><s>Two</s><p>Three</p></speak>", "One | Two | Three"},
        {"<speak><emphasis>a</emphasis><emphasis level=\"reduced\">b</emphasis></speak>",
         "a{E} | b"},
        {"<speak><say-as interpret-as=\"characters\">ABC</say-as> <say-as "
         "interpret-as=\"date\">1/2</say-as></speak>",
         "ABC{S} | 1/2"},
        {"<speak><sub alias=\"World Wide Web\">WWW</sub> site</speak>", "World Wide Web site"},
        {"<speak><audio src=\"file:///etc/passwd\">fallback<desc>a bell</desc></audio></speak>",
         "fallback"},
        {"<speak>a<mark name=\"m1\"/>b<metadata><x>hidden</x></metadata></speak>", "a | #m1 | b"},
        {"<?xml version=\"1.0\"?>\n<!-- c -->\n<speak>a<rate speed=\"2\">b</rate></speak>",
         "a | b{r=2}"},
    });
    // Outside <speak> documents these are unknown tags: their content is spoken.
    expectAll({
        {"<p>a<break time=\"1s\"/><sub alias=\"x\">b</sub><prosody rate=\"fast\">c</prosody></p>",
         "abc"},
        {"a<speak><emphasis>b</emphasis></speak>", "ab"},
    });
}

TEST(Robustness, RandomMarkupNeverFailsAndStaysInRange) {
    const std::vector<std::string> atoms = {"<",
                                            ">",
                                            "/",
                                            "=",
                                            "\"",
                                            "'",
                                            "&",
                                            "#",
                                            ";",
                                            " ",
                                            "x",
                                            "9",
                                            "-",
                                            "!--",
                                            "-->",
                                            "emph",
                                            "rate",
                                            "speed",
                                            "volume",
                                            "level",
                                            "silence",
                                            "msec",
                                            "voice",
                                            "required",
                                            "lang",
                                            "langid",
                                            "speak",
                                            "prosody",
                                            "break",
                                            "time",
                                            "sub",
                                            "alias",
                                            "&#x",
                                            std::string(1, '\0'),
                                            "\xff",
                                            "\xe4\xb8",
                                            "99999999999999999999"};
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 2 ? "<speak>" : "";
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i) text += atoms[random() % atoms.size()];
        std::vector<Piece> pieces;
        ASSERT_NO_THROW(pieces = readSpeech(text, kFlagIsXml, {})) << text;
        for (const Piece& p : pieces) {
            EXPECT_TRUE(p.rate >= -10 && p.rate <= 10 && p.pitch >= -10 && p.pitch <= 10) << text;
            EXPECT_TRUE(p.volume >= 0 && p.volume <= 100) << text;
            EXPECT_TRUE(p.silenceMs >= 0 && p.silenceMs <= 65535) << text;
            EXPECT_FALSE(p.kind == PieceKind::Text && p.text.empty()) << text;
        }
    }
}

TEST(Robustness, TenMegabytesOfTaggedSentences) {
    std::string text;
    const int sentences = 100000;
    for (int i = 0; i < sentences; ++i)
        text += "<volume level=\"50\">Sentence " + std::to_string(i) +
                " is spoken a little more softly.</volume> And then loudly, at full volume!\n";
    ASSERT_GT(text.size(), 10'000'000u);
    const auto pieces = readSpeech(text, 0, {});
    ASSERT_EQ(pieces.size(), 2u * sentences);
    EXPECT_EQ(pieces[0].text, "Sentence 0 is spoken a little more softly.");
    EXPECT_EQ(pieces.back().text, " And then loudly, at full volume!\n");
    EXPECT_EQ(pieces.back().volume, 100);
}

TEST(Robustness, DeepNestingNeedsNoRecursion) {
    const int depth = 100000;
    std::string open, close;
    for (int i = 0; i < depth; ++i) open += "<emph>";
    for (int i = 0; i < depth; ++i) close += "</emph>";
    EXPECT_EQ(xml(open + "deep" + close + "flat"), "deep{E} | flat");
    EXPECT_EQ(xml(open + "deep" + " tail</x>"), "deep tail{E}");
}

// Past a few thousand open elements a start tag is read as if written empty: a state tag then
// lasts to the end of the element that holds it, and no word is lost on the way.
TEST(Robustness, TagsPastTheDepthLimitAreReadAsEmptyAndLoseNoWords) {
    std::string open, close;
    for (int i = 0; i < 4096; ++i) open += "<x>";
    for (int i = 0; i < 4096; ++i) close += "</x>";
    EXPECT_EQ(xml(open + "<rate speed=\"5\">fast</rate> after</x>" + " up" + close + " top"),
              "fast after{r=5} |  up top");
    EXPECT_EQ(xml("<x>" + open + "<volume level=\"50\"><emph>soft</emph></volume>" + close),
              "soft{v=50}");
    EXPECT_EQ(xml(open + open + "deep" + close + close + "out"), "deepout");
}

// A long text is handed out piece by piece as it is read. The cuts must lose, double or split
// nothing: not a byte, not a UTF-8 character, not the settings in force.
TEST(Incremental, LongTextComesInPiecesThatAddUpToIt) {
    std::mt19937 random(7);
    const std::vector<std::string> words = {"word", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x99\x82",
                                            "longer-word", "x"};
    auto build = [&](std::size_t size, const std::string& separators) {
        std::string t;
        while (t.size() < size) {
            t += words[random() % words.size()];
            if (!separators.empty()) t += separators[random() % separators.size()];
        }
        return t;
    };
    for (const std::string& separators : {" \n"s, "\n"s, ""s})
        for (const int flags : {kFlagIsXml, kFlagIsNotXml}) {
            const std::string text = build(200'000, separators);
            SpeechReader reader(text, flags, {});
            std::string joined;
            std::size_t count = 0;
            while (auto p = reader.next()) {
                ASSERT_EQ(p->kind, PieceKind::Text);
                ASSERT_LE(p->text.size(), 8192u);
                ASSERT_NE(static_cast<unsigned char>(p->text.front()) & 0xC0, 0x80u)
                    << "split character";
                if (!separators.empty()) {
                    // A cut comes after a line break or blank.
                    const char last = p->text.back();
                    if (joined.size() + p->text.size() < text.size()) {
                        EXPECT_TRUE(last == ' ' || last == '\n');
                    }
                }
                joined += p->text;
                ++count;
            }
            EXPECT_EQ(joined, text);
            EXPECT_GT(count, 20u);
        }

    // Text in tags that change nothing is handed out in parts as well (a blank between two parts
    // is dropped: the parts are spoken apart).
    std::string tagged;
    int written = 0;
    for (; tagged.size() < 200'000; ++written) tagged += "<b>word</b> ";
    SpeechReader reader(tagged, kFlagIsXml, {});
    int heard = 0;
    std::size_t count = 0;
    while (auto p = reader.next()) {
        EXPECT_LE(p->text.size(), 2u * 8192u);
        std::istringstream in(p->text);
        for (std::string w; in >> w; ++heard) ASSERT_EQ(w, "word");
        ++count;
    }
    EXPECT_EQ(heard, written);
    EXPECT_GT(count, 5u);

    // And so is a long CDATA section, as it stands.
    const std::string data = build(100'000, " <&\n");
    SpeechReader cdata("<x/><![CDATA[" + data + "]]>tail", kFlagIsXml, {});
    std::string joined;
    count = 0;
    while (auto p = cdata.next()) {
        EXPECT_LE(p->text.size(), 8192u);
        joined += p->text;
        ++count;
    }
    EXPECT_EQ(joined, data + "tail");
    EXPECT_GT(count, 5u);
}

TEST(Incremental, SettingsHoldAcrossTheCutsAndMarkupAfterALongRunStillCounts) {
    const std::string filler(20'000, 'a');
    const std::string text =
        "<volume level=\"40\">" + filler + "&amp;</volume>" + filler + "<emph>end</emph>";
    SpeechReader reader(text, kFlagIsXml, {});
    std::string soft, loud;
    bool emphasised = false;
    while (auto p = reader.next()) {
        if (p->emphasis) {
            EXPECT_EQ(p->text, "end");
            emphasised = true;
        } else {
            (p->volume == 40 ? soft : loud) += p->text;
        }
    }
    EXPECT_EQ(soft, filler + "&");
    EXPECT_EQ(loud, filler);
    EXPECT_TRUE(emphasised);
}

}  // namespace
}  // namespace talvoro::markup
