// What reaches the engine library: no text can command it, whatever path it takes.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "intake/Utf8.h"
#include "speech/espeak/EngineText.h"
#include "speech/markup/SpeechMarkup.h"

namespace talvoro::testing {
namespace {

using espeak::EngineCall;
using namespace std::string_literals;

const std::string kFffd = "\xEF\xBF\xBD";
const std::string kCommand = "\x01";  // the library's command byte
const std::string kOverlongCommand = "\xC0\x81";

std::string plainCall(const std::string& text) {
    EngineCall call;
    espeak::prepareCall(text, false, call);
    EXPECT_FALSE(call.markup);
    return call.text;
}

TEST(EngineText, ControlsAndIllFormedBytesNeverReachTheLibrary) {
    for (int c = 0; c < 0x80; ++c) {
        const std::string text = "a"s + static_cast<char>(c) + "100Hx";
        const bool kept = c >= 0x20 ? c != 0x7F : c == '\t' || c == '\n' || c == '\r';
        EXPECT_EQ(plainCall(text), kept ? text : "a 100Hx") << "byte " << c;
    }
    // The library's decoder takes overlong forms as the characters they spell, 0x01 included.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kOverlongCommand + "100Hx", kFffd + kFffd + "100Hx"},
        {"\xE0\x80\x81\x42", kFffd + kFffd + kFffd + "B"},
        {"\xF0\x80\x80\x81", kFffd + kFffd + kFffd + kFffd},
        {"\xC1\xBCx", kFffd + kFffd + "x"},                      // an overlong '<'
        {"\xED\xA0\x80", kFffd + kFffd + kFffd},                 // a surrogate
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},     // past U+10FFFF
        {"x\x80y\xE4\xB8", "x" + kFffd + "y" + kFffd + kFffd},   // stray and cut short
        {"中文 \xF0\x9F\x98\x80 é", "中文 \xF0\x9F\x98\x80 é"},  // well-formed stays
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(plainCall(text), want) << text;
}

TEST(EngineText, MarkupReachesTheLibraryOnlyAroundSpelledTextAndEscapesIt) {
    // Plain text is read with the library's markup reader off: '<' and '&' mean nothing there.
    EXPECT_EQ(plainCall("<audio src=\"x.wav\"/> &#1;100Hx"), "<audio src=\"x.wav\"/> &#1;100Hx");

    EngineCall call;
    espeak::prepareCall("<audio src='/tmp/x.mp3'/> & &#1;100Hx " + kCommand + "200H", true, call);
    EXPECT_TRUE(call.markup);
    EXPECT_EQ(call.text,
              "<speak><say-as interpret-as=\"characters\">&lt;audio src='/tmp/x.mp3'/&gt; &amp; "
              "&amp;#1;100Hx  200H</say-as></speak>");
}

// Long texts reach the library in chunks. Whatever the bytes, a chunk starts with a character,
// the chunks add up to the whole text, and a run of bytes that are no text is not read byte by
// byte.
TEST(EngineText, ChunksStartWithACharacterAndAddUpToTheText) {
    const std::vector<std::string> texts = {
        std::string(5000, 'x'),  // no place to cut but between letters
        [] {
            std::string s;
            for (int i = 0; i < 2000; ++i) s += "中";  // three bytes each, no blank
            return s;
        }(),
        [] {
            std::string s = "a";
            for (int i = 0; i < 900; ++i) s += "\xF0\x9F\x98\x80";  // four bytes each
            return s;
        }(),
        "a" + std::string(6000, '\x80') + "b",  // continuation bytes alone
        // A character that ends just before a stray byte at the chunk limit.
        std::string(espeak::TextChunks::kLimit - 4, 'x') + "\xF0\x9F\x98\x80\x80" +
            std::string(2000, 'y'),
        "Sentence one. " + std::string(3000, 'y') + kCommand + "100Hx\n" + std::string(2000, ' '),
    };
    for (const std::string& text : texts) {
        std::string joined;
        int calls = 0;
        espeak::feedEngine(text, false, [&](const EngineCall& call) {
            ++calls;
            EXPECT_FALSE(call.text.empty());
            EXPECT_FALSE(utf8Continuation(static_cast<unsigned char>(call.text[0])));
            joined += call.text;
            return true;
        });
        EXPECT_EQ(joined, espeak::engineText(text)) << text.substr(0, 20);
        EXPECT_LE(calls, static_cast<int>(text.size() / espeak::TextChunks::kTarget) + 1)
            << text.substr(0, 20);
    }

    int calls = 0;
    EXPECT_FALSE(espeak::feedEngine(std::string(5000, 'x'), false,
                                    [&](const EngineCall&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

// The library keeps the echo that its command 0x01 "200H" sets for every later reading. Text that
// tries it, on any path, leaves the next reading sounding as before.
class EngineTextSoundTest : public EngineAudioTest {};

TEST_F(EngineTextSoundTest, TextThatTriesToCommandTheLibraryLeavesLaterReadingsAsTheyWere) {
    const std::string check = "Hello, this is a check. One, two; three.";
    const Recorder::Sound before = hear(check);
    ASSERT_TRUE(before.audible);

    const std::vector<std::pair<std::string, int>> attempts = {
        {kCommand + "200H Echo in plain text.", kRead},
        {kCommand + "200H Echo read literally.", kSvsfAsync | markup::kFlagIsNotXml},
        {"<speak>&#1;200H Echo from a reference.</speak>", kRead},
        {"<spell>" + kCommand + "200H</spell>", kRead},
        {kOverlongCommand + "200H Overlong.", kRead},
    };
    for (const auto& [text, flags] : attempts) {
        const Recorder::Sound attempt = hear(text, flags);
        EXPECT_TRUE(attempt.audible) << text;
        const Recorder::Sound after = hear(check);
        ASSERT_TRUE(after.audible) << text;
        // An echo makes nearly half as much again of the sound audible, and softer on average.
        EXPECT_NEAR(after.audibleSamples, before.audibleSamples, before.audibleSamples * 0.03)
            << text;
        EXPECT_NEAR(after.rms, before.rms, before.rms * 0.03) << text;
    }
}

}  // namespace
}  // namespace talvoro::testing
