#include <gtest/gtest.h>

#include "CoreFixture.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

class SettingsTest : public CoreFixture {
protected:
    void SetUp() override {
        voices = {"A", "B", "C"};
        loadQuietly();
    }
    // The ticked items of a sub-menu, by index.
    std::vector<int> ticks(MenuName name, int last) {
        std::vector<int> out;
        for (int i = 1; i <= last; ++i)
            if (item(name, i).checked) out.push_back(i);
        return out;
    }
};

TEST_F(SettingsTest, VoiceChoiceByPosition) {
    form->mnumru_Click(3);
    EXPECT_EQ(log.calls, (Calls{"GetVoices(,)", "SetVoice(C)"}));
    EXPECT_EQ(ticks(MenuName::mnumru, 3), std::vector<int>{3});
    EXPECT_TRUE(item(MenuName::mnumru, 0).checked);  // the placeholder is never touched

    log.clear();
    form->mnumru_Click(3);  // the ticked voice: nothing at all
    EXPECT_TRUE(log.calls.empty());

    form->mnumru_Click(1);
    EXPECT_EQ(log.calls, (Calls{"GetVoices(,)", "SetVoice(A)"}));
}

TEST_F(SettingsTest, VoiceGoneSinceStartUpEndsSilentlyWithTheTickMoved) {
    // The engine refuses the voice (it went away after start-up).
    failures.failing.emplace("SetVoice", AppError(-2147200966, "找不到元素"));
    form->mnumru_Click(2);
    EXPECT_EQ(ticks(MenuName::mnumru, 3), std::vector<int>{2});
    for (const auto& c : log.calls) EXPECT_EQ(c.rfind("MsgBox", 0), std::string::npos);
}

TEST_F(SettingsTest, RateStepsClampAndTickMatchingPresets) {
    struct Step {
        int item;
        int wantRate;
        std::vector<int> wantTicks;
    } steps[] = {
        {1, 6, {}},  {1, 7, {8}},  {1, 8, {}},   {1, 9, {9}},  {1, 10, {}}, {1, 10, {}},
        {4, -8, {4}}, {2, -9, {}}, {2, -10, {}}, {2, -10, {}}, {6, 0, {6}}, {6, 0, {6}},
        {5, -4, {5}}, {7, 5, {7}}, {2, 4, {}},   {1, 5, {7}},
    };
    for (const Step& s : steps) {
        form->mnuys_Click(s.item);
        SCOPED_TRACE(s.item);
        EXPECT_EQ(engine->rate(), s.wantRate);
        EXPECT_EQ(ticks(MenuName::mnuys, 9), s.wantTicks);
    }
    // At the ends of the range the program keeps the step inside it: the engine, which refuses
    // what lies outside, never had to refuse.
    EXPECT_EQ(engine->refused, 0);
    // An index that names no rate item changes the value of nothing and clears the ticks.
    log.clear();
    form->mnuys_Click(3);
    EXPECT_TRUE(ticks(MenuName::mnuys, 9).empty());
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(SettingsTest, RateStepReadsTheEngineBackAndWrites) {
    form->mnuys_Click(1);
    EXPECT_EQ(log.calls, (Calls{"Rate", "Rate=6", "Rate"}));
    log.clear();
    form->mnuys_Click(8);
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
        form->mnuyl_Click(s.item);
        SCOPED_TRACE(s.item);
        EXPECT_EQ(engine->volume(), s.wantVolume);
        EXPECT_EQ(ticks(MenuName::mnuyl, 8), s.wantTicks);
    }
    EXPECT_EQ(engine->refused, 0);
}

TEST_F(SettingsTest, EngineFailureLeavesTicksAsTheyWereAndShowsNothing) {
    failures.failing.emplace("SetVolume", AppError(-2147024809, "参数不正确"));
    form->mnuyl_Click(6);
    EXPECT_EQ(ticks(MenuName::mnuyl, 8), std::vector<int>{8});
    EXPECT_EQ(log.calls, Calls{"Volume=50"});
}

}  // namespace
}  // namespace talvoro::testing
