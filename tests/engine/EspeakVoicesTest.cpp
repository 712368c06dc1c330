#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "base/AppError.h"
#include "platform/UiThread.h"
#include "speech/espeak/EspeakEngine.h"
#include "speech/espeak/VoiceCatalog.h"
#include "speech/espeak/VoiceNames.h"

namespace talvoro::espeak {
namespace {

TEST(VoiceNames, PeopleReadableNames) {
    EXPECT_EQ(displayName("Chinese_(Mandarin,_latin_as_English)"), "Chinese (Mandarin)");
    EXPECT_EQ(displayName("Chinese (Mandarin, latin as English)"), "Chinese (Mandarin)");
    EXPECT_EQ(displayName("Chinese (Mandarin, latin as Pinyin)"),
              "Chinese (Mandarin, latin as Pinyin)");
    EXPECT_EQ(displayName("English_(Great_Britain)"), "English (Great Britain)");
    EXPECT_EQ(displayName("Cherokee "), "Cherokee");
    EXPECT_EQ(displayName("   "), "   ");  // nothing better to show
}

TEST(VoiceNames, DefaultLanguageFollowsTheLocale) {
    EXPECT_EQ(defaultLanguage("zh_CN.UTF-8"), "cmn");
    EXPECT_EQ(defaultLanguage("zh_TW.Big5"), "cmn");
    EXPECT_EQ(defaultLanguage("zh"), "cmn");
    EXPECT_EQ(defaultLanguage("en_US.UTF-8"), "en-us");
    EXPECT_EQ(defaultLanguage("en_GB.UTF-8"), "en");
    EXPECT_EQ(defaultLanguage("de_DE@euro"), "en");
    EXPECT_EQ(defaultLanguage("C.UTF-8"), "en");
    EXPECT_EQ(defaultLanguage(""), "en");
}

TEST(VoiceNames, BestMatchingVoiceComesFirstOthersKeepTheirOrder) {
    std::vector<VoiceEntry> voices = {
        {"gmw/af", "Afrikaans", {{5, "af"}}},
        {"gmw/en-029", "English (Caribbean)", {{5, "en-029"}, {10, "en"}}},
        {"gmw/en", "English (Great Britain)", {{2, "en-gb"}, {2, "en"}}},
        {"sit/cmn", "Chinese (Mandarin)", {{5, "cmn"}, {5, "zh"}}},
    };
    auto english = withDefaultFirst(voices, "en");
    ASSERT_EQ(english.size(), 4u);
    EXPECT_EQ(english[0].identifier, "gmw/en");
    EXPECT_EQ(english[1].identifier, "gmw/af");
    EXPECT_EQ(english[2].identifier, "gmw/en-029");
    EXPECT_EQ(english[3].identifier, "sit/cmn");
    EXPECT_EQ(withDefaultFirst(voices, "cmn")[0].identifier, "sit/cmn");
    EXPECT_EQ(withDefaultFirst(voices, "xx")[0].identifier, "gmw/af");  // no match: unchanged
}

// Voice files as the engine's data folder holds them, with the odd ones a hand-edited or
// foreign folder may hold.
TEST(VoiceFiles, NamesLanguagesAndIdentifiersAreReadAndVariantsLeftOut) {
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("talvoro-voices-" + std::to_string(getpid()));
    fs::remove_all(root);
    auto write = [&](const std::string& rel, const std::string& text) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel, std::ios::binary) << text;
    };
    write("lang/sit/cmn", "name Chinese (Mandarin)  // comment\nlanguage cmn\nlanguage zh 5\n");
    write("lang/gmw/en-US", "\tname\tEnglish (America)\r\nlanguage en-us 2\r\nlanguage en 3");
    write("lang/zle/uk", "// name Hidden\nlanguage uk\n");       // no name: not a voice
    write("lang/art/eo", "name Esperanto\n");                    // no language: not a voice
    write("voices/!v/f3", "name Female 3\nlanguage variant\n");  // a variant
    write("voices/mb/mb-en1", "name en1\nlanguage en 10\n");     // an mbrola voice
    write("voices/extra", "name Extra\nlanguage xx\n");

    const std::vector<VoiceEntry> voices = readVoiceFiles(root.string());
    fs::remove_all(root);
    ASSERT_EQ(voices.size(), 3u);
    EXPECT_EQ(voices[0].identifier, "sit/cmn");
    EXPECT_EQ(voices[0].name, "Chinese (Mandarin)");
    EXPECT_EQ(voices[0].languages,
              (std::vector<std::pair<int, std::string>>{{5, "cmn"}, {5, "zh"}}));
    EXPECT_EQ(voices[1].identifier, "gmw/en-US");
    EXPECT_EQ(voices[1].name, "English (America)");
    EXPECT_EQ(voices[1].languages,
              (std::vector<std::pair<int, std::string>>{{2, "en-us"}, {3, "en"}}));
    EXPECT_EQ(voices[2].identifier, "extra");
}

class NoEvents : public SpeechEvents {
public:
    void Voice_StartStream() override {}
    void Voice_EndStream() override {}
};

class InlineUi : public UiThread {
public:
    void post(std::function<void()> work) override { work(); }
};

// The real engine, as installed on this machine.
class EspeakEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("LANG", "zh_CN.UTF-8", 1); }
    NoEvents events;
    InlineUi ui;
};

TEST_F(EspeakEngineTest, ListsEveryInstalledVoiceOnceWithMandarinFirstForChinese) {
    EspeakEngine engine(events, ui);
    const VoiceCollection voices = engine.GetVoices("", "");
    ASSERT_GT(voices.size(), 50u);
    EXPECT_EQ(engine.GetDescription(voices[0], 0), "Chinese (Mandarin)");
    std::set<std::string> ids, names;
    for (const VoiceToken& v : voices) {
        ids.insert(v.id);
        const std::string name = engine.GetDescription(v, 0);
        EXPECT_EQ(name.find('_'), std::string::npos) << name;
        EXPECT_FALSE(name.empty());
        names.insert(name);
    }
    EXPECT_EQ(ids.size(), voices.size());
    EXPECT_TRUE(names.count("English (Great Britain)"));
    // A second listing is the same collection in the same order.
    const VoiceCollection again = engine.GetVoices("", "");
    ASSERT_EQ(again.size(), voices.size());
    for (std::size_t i = 0; i < voices.size(); ++i) EXPECT_EQ(again[i].id, voices[i].id);
}

TEST_F(EspeakEngineTest, VoicesCanBeChosenByToken) {
    EspeakEngine engine(events, ui);
    const VoiceCollection voices = engine.GetVoices("", "");
    EXPECT_NO_THROW(engine.SetVoice(voices[1]));
    EXPECT_NO_THROW(engine.SetVoice(voices[0]));
    EXPECT_THROW(engine.SetVoice(VoiceToken{"no/such-voice"}), AppError);
    EXPECT_THROW(engine.GetDescription(VoiceToken{"no/such-voice"}, 0), AppError);
}

TEST_F(EspeakEngineTest, RateAndVolumeKeepTheirRanges) {
    EspeakEngine engine(events, ui);
    EXPECT_EQ(engine.Rate(), 0);
    EXPECT_EQ(engine.Volume(), 100);
    for (int r : {-10, -1, 0, 5, 10}) {
        engine.SetRate(r);
        EXPECT_EQ(engine.Rate(), r);
    }
    for (int v : {0, 10, 55, 100}) {
        engine.SetVolume(v);
        EXPECT_EQ(engine.Volume(), v);
    }
    EXPECT_THROW(engine.SetRate(11), AppError);
    EXPECT_THROW(engine.SetRate(-11), AppError);
    EXPECT_THROW(engine.SetVolume(101), AppError);
    EXPECT_THROW(engine.SetVolume(-1), AppError);
    EXPECT_EQ(engine.Rate(), 10);  // a refused value changes nothing
    EXPECT_EQ(engine.Volume(), 100);
}

}  // namespace
}  // namespace talvoro::espeak
