// Thousands of random commands and engine events against the fake engine: after every step the
// menu must show the reading state, the buffer must hold what the intake rule put there, the
// engine's pauses must match the state, and nothing may escape a handler.

#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "CoreFixture.h"

namespace talvoro::testing {
namespace {

class Dropped : public DataObject {
public:
    Dropped(std::string text, bool files) : text_(std::move(text)), files_(files) {}
    std::string GetData(int) override {
        if (files_) throw AppError(kErrNoSuchFormat, "拖放的数据中没有文本（例如文件或图片）");
        return text_;
    }

private:
    std::string text_;
    bool files_;
};

class SoakTest : public CoreFixture {
protected:
    std::mt19937 random{20261207};
    std::string model;  // what the buffer must hold
    long steps = 0, failuresInjected = 0;

    int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

    std::string someText() {
        static const std::vector<std::string> texts = {"",
                                                       " ",
                                                       "abc",
                                                       "你好，世界。",
                                                       "<volume level=\"50\">x",
                                                       "a\r\nb",
                                                       "&amp;<",
                                                       std::string(300, 'z')};
        return texts[static_cast<std::size_t>(pick(static_cast<int>(texts.size())))];
    }

    // The intake rule, as the user sees it.
    void takenIn(const std::string& text) {
        if (item(MenuName::mnuadddata).checked)
            model += text;
        else
            model = text;
    }

    // The engine's pauses not yet resumed, counted from its calls as they come.
    std::size_t counted = 0;
    int depth = 0;
    int pauseDepth() {
        for (; counted < log.calls.size(); ++counted) {
            if (log.calls[counted] == "Pause()") ++depth;
            if (log.calls[counted] == "Resume()") --depth;
        }
        return depth;
    }

    void step(bool withFailures) {
        ++steps;
        if (withFailures) {
            failures.failing.clear();
            for (const char* call :
                 {"Speak", "Pause", "Resume", "SetRate", "SetVolume", "SetVoice"})
                if (pick(6) == 0) {
                    failures.failing.emplace(call, AppError(-2147200999, "engine failure"));
                    ++failuresInjected;
                }
        }
        std::int32_t effect = 1;
        switch (pick(14)) {
            case 0: {
                const bool files = pick(5) == 0;
                const std::string text = someText();
                Dropped data(text, files);
                form->Picture1_OLEDragDrop(data, effect, 1, 0, 10, 10);
                if (!files) takenIn(text);
                break;
            }
            case 1:
                fake.clipboard = someText();
                fake.clipboardFails = pick(8) == 0;
                form->menuClick({MenuName::mnupales, kNoIndex});
                if (!fake.clipboardFails) takenIn(fake.clipboard);
                break;
            case 2:
                form->menuClick({MenuName::mnuvoice, kNoIndex});
                break;
            case 3:
                form->menuClick({MenuName::mnustop, kNoIndex});
                break;
            case 4:
                form->menuClick({MenuName::mnupause, kNoIndex});
                break;
            case 5:
                form->menuClick({MenuName::mnumru, 1 + pick(2)});
                break;
            case 6: {
                static const int rates[] = {1, 2, 4, 5, 6, 7, 8, 9};
                form->menuClick({MenuName::mnuys, rates[pick(8)]});
                break;
            }
            case 7: {
                static const int volumes[] = {1, 2, 4, 5, 6, 7, 8};
                form->menuClick({MenuName::mnuyl, volumes[pick(7)]});
                break;
            }
            case 8:
                form->menuClick({MenuName::mnudeleteall, kNoIndex});
                model.clear();
                break;
            case 9:
                form->menuClick({MenuName::mnuadddata, kNoIndex});
                break;
            case 10:
                form->menuClick({MenuName::mnutd, kNoIndex});
                break;
            case 11:
                form->Voice_StartStream();
                break;
            case 12:
                form->Voice_EndStream();
                break;
            case 13: {
                fake.clipboard = someText();
                fake.clipboardFails = false;
                const std::size_t shown = fake.shownMenus.size();
                form->Picture1_MouseDown(kButtonRight, 0, 10, 10);
                ASSERT_EQ(fake.shownMenus.size(), shown + 1);
                const MenuItem& menu = fake.shownMenus.back();
                auto find = [&](MenuName name) {
                    for (const MenuItem& i : menu.children)
                        if (i.name == name) return i;
                    ADD_FAILURE() << nameOf(name);
                    return MenuItem{};
                };
                EXPECT_EQ(find(MenuName::mnudeleteall).enabled, !model.empty());
                EXPECT_EQ(find(MenuName::mnusave).enabled, !model.empty());
                EXPECT_EQ(find(MenuName::mnupales).enabled, !fake.clipboard.empty());
                break;
            }
        }
    }

    void check(bool withFailures) {
        ASSERT_EQ(form->buffer().text().str(), model) << "after step " << steps;
        const bool reading = form->reading().isReading(), paused = form->reading().isPaused();
        ASSERT_TRUE(item(MenuName::mnuvoice).enabled);
        ASSERT_EQ(item(MenuName::mnustop).enabled, reading) << "after step " << steps;
        ASSERT_EQ(item(MenuName::mnupause).enabled, reading) << "after step " << steps;
        ASSERT_EQ(item(MenuName::mnupause).caption, paused ? "继续" : "暂停")
            << "after step " << steps;
        if (!withFailures) {
            ASSERT_EQ(pauseDepth(), paused ? 1 : 0) << "after step " << steps;
        }
        int voiceTicks = 0, rateTicks = 0, volumeTicks = 0;
        for (int i = 1; i <= 2; ++i) voiceTicks += item(MenuName::mnumru, i).checked;
        for (int i = 1; i <= 9; ++i) rateTicks += item(MenuName::mnuys, i).checked;
        for (int i = 1; i <= 8; ++i) volumeTicks += item(MenuName::mnuyl, i).checked;
        ASSERT_EQ(voiceTicks, 1);
        ASSERT_LE(rateTicks, 1);
        ASSERT_LE(volumeTicks, 1);
    }
};

TEST_F(SoakTest, RandomCommandsAndEventsKeepMenuBufferAndEngineInStep) {
    loadQuietly();
    for (int i = 0; i < 20000; ++i) {
        ASSERT_NO_THROW(step(false));
        check(false);
        if (::testing::Test::HasFatalFailure()) return;
    }
    const long plain = steps;
    for (int i = 0; i < 20000; ++i) {
        ASSERT_NO_THROW(step(true));
        check(true);
        if (::testing::Test::HasFatalFailure()) return;
    }
    std::cout << "[ soak ] " << steps << " steps (" << plain << " without failures), "
              << failuresInjected << " engine failures injected, " << log.calls.size()
              << " platform and engine calls\n";
}

}  // namespace
}  // namespace talvoro::testing
