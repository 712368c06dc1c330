#include <gtest/gtest.h>

#include "AllocationCount.h"
#include "CoreFixture.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

constexpr const char* kNothingToRead = "MsgBox(请拖放要朗读的文本至拖放篮中！,64,Talvoro)";

class ReadingTest : public CoreFixture {
protected:
    void SetUp() override { loadQuietly(); }

    // Brings the form into one of the four reading states.
    void enter(bool reading, bool paused) {
        form->TakeInText("abc");
        if (paused) form->mnupause_Click();
        if (!reading) form->Voice_EndStream();
        log.clear();
        ASSERT_EQ(form->reading().isReading(), reading);
        ASSERT_EQ(form->reading().isPaused(), paused);
    }

    // The menu as the reading state table lists it.
    void expectMenu(bool stopAndPauseEnabled, const char* pauseCaption) {
        EXPECT_TRUE(item(MenuName::mnuvoice).enabled);
        EXPECT_EQ(item(MenuName::mnustop).enabled, stopAndPauseEnabled);
        EXPECT_EQ(item(MenuName::mnupause).enabled, stopAndPauseEnabled);
        EXPECT_EQ(item(MenuName::mnupause).caption, pauseCaption);
    }
};

TEST_F(ReadingTest, StateTableRowsShowInTheMenu) {
    struct Row {
        bool reading, paused, itemsEnabled;
        const char* caption;
    } rows[] = {
        {false, false, false, "暂停"},  // idle
        {true, false, true, "暂停"},    // speaking
        {true, true, true, "继续"},     // paused
        {false, true, false, "继续"},   // ended while paused
    };
    for (const Row& r : rows) {
        form->SetReadingState(r.reading, r.paused);
        EXPECT_EQ(form->reading().isReading(), r.reading);
        EXPECT_EQ(form->reading().isPaused(), r.paused);
        expectMenu(r.itemsEnabled, r.caption);
    }
}

TEST_F(ReadingTest, TransitionsCallTheEngineAsTheTableSays) {
    struct Row {
        const char* name;
        bool fromReading, fromPaused;
        void (Frmlan::*event)();
        Calls engineCalls;
        bool toReading, toPaused;
    } rows[] = {
        {"idle read", false, false, &Frmlan::mnuvoice_Click, {"Speak(abc,11)"}, true, false},
        {"speaking read", true, false, &Frmlan::mnuvoice_Click, {"Speak(abc,11)"}, true, false},
        {"paused read", true, true, &Frmlan::mnuvoice_Click, {"Resume()"}, true, false},
        {"ended-paused read",
         false,
         true,
         &Frmlan::mnuvoice_Click,
         {"Speak(abc,11)", "Resume()"},
         true,
         false},
        {"speaking pause", true, false, &Frmlan::mnupause_Click, {"Pause()"}, true, true},
        {"paused continue", true, true, &Frmlan::mnupause_Click, {"Resume()"}, true, false},
        {"speaking stop", true, false, &Frmlan::mnustop_Click, {"Speak(,2)"}, false, false},
        {"paused stop",
         true,
         true,
         &Frmlan::mnustop_Click,
         {"Speak(,2)", "Resume()"},
         false,
         false},
        {"start stream", false, true, &Frmlan::Voice_StartStream, {}, true, true},
        {"end stream", true, true, &Frmlan::Voice_EndStream, {}, false, true},
        {"end stream idle", true, false, &Frmlan::Voice_EndStream, {}, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        load();
        enter(r.fromReading, r.fromPaused);
        (form.get()->*r.event)();
        EXPECT_EQ(log.calls, r.engineCalls);
        EXPECT_EQ(form->reading().isReading(), r.toReading);
        EXPECT_EQ(form->reading().isPaused(), r.toPaused);
        expectMenu(r.toReading, r.toPaused ? "继续" : "暂停");
    }
}

TEST_F(ReadingTest, ReadSetsItsFlagsBeforeSpeaking) {
    EXPECT_EQ(form->reading().speakFlags(), 0);
    std::vector<std::int32_t> flagsAtSpeak;
    engine->onSpeak = [&] { flagsAtSpeak.push_back(form->reading().speakFlags()); };
    form->TakeInText("x");
    form->mnuvoice_Click();
    EXPECT_EQ(flagsAtSpeak, (std::vector<std::int32_t>{11, 11}));
}

TEST_F(ReadingTest, EmptyBufferOnlyShowsTheMessage) {
    enter(true, false);
    form->mnudeleteall_Click();
    log.clear();
    form->mnuvoice_Click();
    EXPECT_EQ(log.calls, Calls{kNothingToRead});
    EXPECT_TRUE(form->reading().isReading());  // the speech under way goes on
    expectMenu(true, "暂停");
}

TEST_F(ReadingTest, BlankBufferIsStillRead) {
    form->TakeInText(" \r\n");
    EXPECT_EQ(log.calls, Calls{"Speak( \r\n,11)"});
    EXPECT_TRUE(form->reading().isReading());
}

TEST_F(ReadingTest, ReadFailureResetsTheMenuSilently) {
    enter(true, true);
    failures.failing.emplace("Resume", AppError(-2147467259, "失败"));
    form->mnuvoice_Click();
    EXPECT_EQ(log.calls, Calls{"Resume()"});
    EXPECT_FALSE(form->reading().isReading());
    EXPECT_TRUE(form->reading().isPaused());
    expectMenu(false, "继续");
}

TEST_F(ReadingTest, StopFailureChangesNothing) {
    enter(true, false);
    failures.failing.emplace("Speak", AppError(-2147467259, "失败"));
    form->mnustop_Click();
    EXPECT_EQ(log.calls, Calls{"Speak(,2)"});
    EXPECT_TRUE(form->reading().isReading());
    expectMenu(true, "暂停");
}

TEST_F(ReadingTest, PauseFailureShowsTheErrorBox) {
    enter(true, false);
    failures.failing.emplace("Pause", AppError(-2147467259, "失败"));
    form->mnupause_Click();
    EXPECT_EQ(log.calls, (Calls{"Pause()", "MsgBox(失败,48,错误信息：-2147467259)"}));
    EXPECT_FALSE(form->reading().isPaused());
}

TEST_F(ReadingTest, PauseThenStopReleasesTheEngineAndReadsAgainAtOnce) {
    enter(true, false);
    form->mnupause_Click();
    form->mnustop_Click();
    EXPECT_EQ(item(MenuName::mnupause).caption, "暂停");
    log.clear();
    form->mnuvoice_Click();
    EXPECT_EQ(log.calls, Calls{"Speak(abc,11)"});
}

TEST(NoVoiceReading, ReadByIntakeFailsSilentlyAndEnablesRead) {
    CallLog log;
    FakePlatform fake(log);
    Platform p = fake.platform();
    FailureScript none;
    Frmlan form(p,
                [&](SpeechEvents&) {
                    return std::make_unique<FakeEngine>(log, std::vector<std::string>{}, none);
                },
                {});
    form.Form_Load();
    EXPECT_FALSE(form.menu().item(MenuName::mnuvoice).enabled);
    log.clear();
    form.TakeInText("abc");
    EXPECT_TRUE(log.calls.empty());  // no engine, no message
    EXPECT_TRUE(form.menu().item(MenuName::mnuvoice).enabled);
    EXPECT_FALSE(form.menu().item(MenuName::mnustop).enabled);
    EXPECT_FALSE(form.menu().item(MenuName::mnuvoicetype).enabled);
    form.mnuvoice_Click();
    EXPECT_TRUE(log.calls.empty());
}

class IntakeTest : public ReadingTest {};

TEST_F(IntakeTest, ReplaceAndAppendWithAutomaticReadingOnAndOff) {
    struct Case {
        bool append, automatic;
        Calls calls;
        const char* buffer;
    } cases[] = {
        {false, true, {"Speak(xyz,11)"}, "xyz"},
        {true, true, {"Speak(abcxyz,11)"}, "abcxyz"},
        {false, false, {}, "xyz"},
        {true, false, {}, "abcxyz"},
    };
    for (const Case& c : cases) {
        load();
        if (c.append) form->mnuadddata_Click();
        form->TakeInText("abc");
        if (!c.automatic) form->mnutd_Click();
        log.clear();
        form->TakeInText("xyz");
        EXPECT_EQ(log.calls, c.calls) << c.append << c.automatic;
        EXPECT_EQ(form->buffer().text().str(), c.buffer);
        EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
        EXPECT_TRUE(item(MenuName::mnusave).enabled);
    }
}

TEST_F(IntakeTest, WhilePausedAutomaticReadingResumesInsteadOfStartingAnew) {
    enter(true, true);
    form->TakeInText("new");
    EXPECT_EQ(log.calls, Calls{"Resume()"});
    EXPECT_EQ(form->buffer().text().str(), "new");
    EXPECT_FALSE(form->reading().isPaused());
}

TEST_F(IntakeTest, EmptyTextInReplaceModeEmptiesTheBufferAndReports) {
    form->TakeInText("abc");
    log.clear();
    form->TakeInText("");
    EXPECT_EQ(form->buffer().text().str(), "");
    EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
    EXPECT_EQ(log.calls, Calls{kNothingToRead});
}

// The engine is handed the buffer itself, not a copy (a reading of hundreds of megabytes starts
// at once), and keeps the text it was handed however the buffer changes while it reads.
TEST_F(IntakeTest, TheEngineReadsTheBufferItselfWhichLaterChangesLeaveAlone) {
    form->TakeInText("first text");
    ASSERT_TRUE(engine->spoken);
    EXPECT_EQ(engine->spoken.get(), &form->buffer().text().str());
    form->mnutd_Click();
    form->mnuadddata_Click();
    form->TakeInText(" and more");
    EXPECT_EQ(form->buffer().text().str(), "first text and more");
    form->mnuadddata_Click();
    form->TakeInText("other");
    EXPECT_EQ(form->buffer().text().str(), "other");
    form->mnudeleteall_Click();
    EXPECT_EQ(*engine->spoken, "first text");

    // With no reading holding it, the buffer grows in place.
    engine->spoken.reset();
    form->TakeInText("a");
    const std::string* buffer = &form->buffer().text().str();
    form->mnuadddata_Click();
    form->TakeInText("b");
    EXPECT_EQ(&form->buffer().text().str(), buffer);
}

TEST_F(IntakeTest, ClearDuringSpeechLeavesTheSpeechAlone) {
    enter(true, false);
    form->mnudeleteall_Click();
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(form->buffer().text().str(), "");
    EXPECT_FALSE(item(MenuName::mnudeleteall).enabled);
    EXPECT_FALSE(item(MenuName::mnusave).enabled);
    EXPECT_TRUE(form->reading().isReading());
}

TEST_F(IntakeTest, TogglingTwiceRestoresTheOptions) {
    form->TakeInText("abc");
    for (int i = 0; i < 2; ++i) {
        form->mnuadddata_Click();
        form->mnutd_Click();
    }
    EXPECT_FALSE(item(MenuName::mnuadddata).checked);
    EXPECT_TRUE(item(MenuName::mnutd).checked);
    EXPECT_EQ(form->buffer().text().str(), "abc");
}

// Appending copies only the new text, into a buffer that grows geometrically: all it allocates
// stays within a few times the buffer's size, besides the copy of each piece handed over. A
// buffer copied whole at each step (or grown to the exact size each time) passes that bound
// within a few dozen steps.
TEST_F(IntakeTest, AppendingIsLinearInTheNewText) {
    form->mnutd_Click();
    form->mnuadddata_Click();
    const std::string piece(1000, 'a');
    const std::size_t before = bytesAllocated();
    for (std::size_t i = 1; i <= 20000; ++i) {  // 20 MB in 1 KB steps
        form->TakeInText(piece);
        const std::size_t spent = bytesAllocated() - before;
        ASSERT_LE(spent, 4 * form->buffer().text().str().size() + 2 * i * piece.size() + 65536)
            << "after " << i << " pieces";
    }
    EXPECT_EQ(form->buffer().text().str().size(), 20'000'000u);
}

TEST_F(IntakeTest, PasteTakesTheClipboardTextAndReportsFailures) {
    fake.clipboard = "粘贴的文字";
    form->menuClick({MenuName::mnupales, kNoIndex});
    EXPECT_EQ(form->buffer().text().str(), "粘贴的文字");
    EXPECT_EQ(log.calls, (Calls{"ClipboardText()", "Speak(粘贴的文字,11)"}));

    log.clear();
    fake.clipboardFails = true;
    form->mnupales_Click();
    EXPECT_EQ(log.calls, (Calls{"ClipboardText()", "MsgBox(无法打开剪贴板,48,错误信息：521)"}));
    EXPECT_EQ(form->buffer().text().str(), "粘贴的文字");

    log.clear();
    fake.clipboardFails = false;
    fake.clipboard = "";  // the menu was opened while it held text
    form->mnupales_Click();
    EXPECT_EQ(form->buffer().text().str(), "");
    EXPECT_EQ(log.calls.back(), kNothingToRead);
}

}  // namespace
}  // namespace talvoro::testing
