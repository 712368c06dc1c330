// The voice, rate and volume menus on their own: an engine of three voices, listed as start-up
// lists them.

#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "app/CommandMenu.h"
#include "speech/VoiceSettings.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        struct : SpeechEvents {
            void Voice_StartStream() override {}
            void Voice_EndStream() override {}
        } events;
        voice.make(
            [&](SpeechEvents&) {
                auto made = std::make_unique<FakeEngine>(
                    log, std::vector<std::string>{"A", "B", "C"}, failures);
                engine = made.get();
                return made;
            },
            events);
        ASSERT_EQ(settings.listVoices(), 3);
        settings.offer();
        log.clear();
    }

    // The ticked items of a sub-menu, by index.
    std::vector<int> ticks(MenuName name, int last) {
        std::vector<int> out;
        for (int i = 1; i <= last; ++i)
            if (menu.item(name, i).checked) out.push_back(i);
        return out;
    }

    CallLog log;
    FailureScript failures;
    FakeEngine* engine = nullptr;
    MenuTree menu{designedCommandMenu()};
    EngineSlot voice;
    VoiceSettings settings{menu, voice};
};

TEST_F(SettingsTest, VoiceChoiceByPosition) {
    settings.chooseVoice(3);
    EXPECT_EQ(log.calls, (Calls{"GetVoices(,)", "SetVoice(C)"}));
    EXPECT_EQ(ticks(MenuName::mnumru, 3), std::vector<int>{3});
    EXPECT_TRUE(menu.item(MenuName::mnumru, 0).checked);  // the placeholder is never touched

    log.clear();
    settings.chooseVoice(3);  // the ticked voice: nothing at all
    EXPECT_TRUE(log.calls.empty());

    settings.chooseVoice(1);
    EXPECT_EQ(log.calls, (Calls{"GetVoices(,)", "SetVoice(A)"}));
}

TEST_F(SettingsTest, VoiceGoneSinceStartUpEndsSilentlyWithTheTickMoved) {
    // The engine refuses the voice (it went away after start-up).
    failures.failing.emplace("SetVoice", AppError(-2147200966, "找不到元素"));
    settings.chooseVoice(2);
    EXPECT_EQ(ticks(MenuName::mnumru, 3), std::vector<int>{2});
    for (const auto& c : log.calls) EXPECT_EQ(c.rfind("MsgBox", 0), std::string::npos);
}

TEST_F(SettingsTest, RateStepsClampAndTickMatchingPresets) {
    struct Step {
        int item;
        int wantRate;
        std::vector<int> wantTicks;
    } steps[] = {
        {1, 6, {}},   {1, 7, {8}}, {1, 8, {}},   {1, 9, {9}},  {1, 10, {}}, {1, 10, {}},
        {4, -8, {4}}, {2, -9, {}}, {2, -10, {}}, {2, -10, {}}, {6, 0, {6}}, {6, 0, {6}},
        {5, -4, {5}}, {7, 5, {7}}, {2, 4, {}},   {1, 5, {7}},
    };
    for (const Step& s : steps) {
        settings.chooseRate(s.item);
        SCOPED_TRACE(s.item);
        EXPECT_EQ(engine->rate(), s.wantRate);
        EXPECT_EQ(ticks(MenuName::mnuys, 9), s.wantTicks);
    }
    // At the ends of the range the program keeps the step inside it: the engine, which refuses
    // what lies outside, never had to refuse.
    EXPECT_EQ(engine->refused, 0);
    // An index that names no rate item changes the value of nothing and clears the ticks.
    log.clear();
    settings.chooseRate(3);
    EXPECT_TRUE(ticks(MenuName::mnuys, 9).empty());
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(SettingsTest, RateStepReadsTheEngineBackAndWrites) {
    settings.chooseRate(1);
    EXPECT_EQ(log.calls, (Calls{"Rate", "Rate=6", "Rate"}));
    log.clear();
    settings.chooseRate(8);
    EXPECT_EQ(log.calls, Calls{"Rate=7"});
}

TEST_F(SettingsTest, VolumeStepsClampAndTickMatchingPresets) {
    struct Step {
        int item;
        int wantVolume;
        std::vector<int> wantTicks;
    } steps[] = {
        {2, 95, {}},   {2, 90, {}},   {2, 85, {}},  {2, 80, {}},  {2, 75, {7}},
        {8, 100, {8}}, {1, 100, {8}}, {4, 10, {4}}, {2, 5, {}},   {2, 0, {}},
        {2, 0, {}},    {1, 5, {}},    {1, 10, {4}}, {6, 50, {6}}, {6, 50, {6}},
    };
    for (const Step& s : steps) {
        settings.chooseVolume(s.item);
        SCOPED_TRACE(s.item);
        EXPECT_EQ(engine->volume(), s.wantVolume);
        EXPECT_EQ(ticks(MenuName::mnuyl, 8), s.wantTicks);
    }
    EXPECT_EQ(engine->refused, 0);
}

TEST_F(SettingsTest, EngineFailureLeavesTicksAsTheyWereAndShowsNothing) {
    failures.failing.emplace("SetVolume", AppError(-2147024809, "参数不正确"));
    settings.chooseVolume(6);
    EXPECT_EQ(ticks(MenuName::mnuyl, 8), std::vector<int>{8});
    EXPECT_EQ(log.calls, Calls{"Volume=50"});
}

}  // namespace
}  // namespace talvoro::testing
