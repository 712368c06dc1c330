// Text dropped on the basket, and drags passing over it.

#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "intake/HeldDrops.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

// A drag's data: text, or (text empty and `files` set) a file list with no text format.
class FakeData : public DataObject {
public:
    FakeData(CallLog& log, std::string text, bool files = false)
        : log_(log), text_(std::move(text)), files_(files) {}
    std::string GetData(int format) override {
        log_.add("GetData(" + std::to_string(format) + ")");
        if (files_ || format != kFormatText)
            throw AppError(kErrNoSuchFormat, "拖放的数据中没有文本（例如文件或图片）");
        return text_;
    }

private:
    CallLog& log_;
    std::string text_;
    bool files_;
};

class DropTest : public CoreFixture {
protected:
    void SetUp() override { loadQuietly(); }

    void drop(DataObject& data, std::int32_t effect = 7) {
        form->Picture1_OLEDragDrop(data, effect, 1, 0, 100, 100);
        EXPECT_EQ(effect, 7) << "the proposed effect is never written";
    }
};

TEST_F(DropTest, DroppedTextReplacesTheBufferAndIsReadAtOnceCuttingOffSpeech) {
    FakeData first(log, "first text");
    drop(first);
    ASSERT_TRUE(form->reading().isReading());
    log.clear();
    FakeData second(log, "第二段文字\r\n  with its own line breaks ");
    drop(second);
    EXPECT_EQ(log.calls,
              (Calls{"GetData(1)", "Speak(第二段文字\r\n  with its own line breaks ,11)"}));
    EXPECT_EQ(form->buffer().text().str(), "第二段文字\r\n  with its own line breaks ");
    EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
}

TEST_F(DropTest, TheSameTextTwiceWithAppendReadsTheWholeBufferFromItsStart) {
    form->mnuadddata_Click();
    FakeData data(log, "abc");
    drop(data);
    log.clear();
    drop(data);
    EXPECT_EQ(log.calls, (Calls{"GetData(1)", "Speak(abcabc,11)"}));
    EXPECT_EQ(form->buffer().text().str(), "abcabc");
}

TEST_F(DropTest, WithoutAutomaticReadingTheTextIsTakenInSilently) {
    FakeData speaking(log, "under way");
    drop(speaking);
    form->mnutd_Click();
    log.clear();
    FakeData data(log, "quiet");
    drop(data);
    EXPECT_EQ(log.calls, Calls{"GetData(1)"});
    EXPECT_EQ(form->buffer().text().str(), "quiet");
    EXPECT_TRUE(form->reading().isReading());  // the speech under way goes on
}

TEST_F(DropTest, DataWithoutTextShowsTheErrorBoxAndChangesNothing) {
    FakeData text(log, "kept");
    drop(text);
    form->mnupause_Click();
    const MenuItem before = form->menu().root();
    log.clear();
    FakeData files(log, "", true);
    drop(files);
    EXPECT_EQ(log.calls,
              (Calls{"GetData(1)",
                     "MsgBox(拖放的数据中没有文本（例如文件或图片）,48,错误信息：-2147221404)"}));
    EXPECT_EQ(form->buffer().text().str(), "kept");
    EXPECT_TRUE(form->reading().isReading());
    EXPECT_TRUE(form->reading().isPaused());
    EXPECT_EQ(form->menu().root(), before);
}

TEST_F(DropTest, AFailureAfterTheBufferWasAssignedKeepsTheNewBuffer) {
    failures.failing.emplace("Speak", AppError(-2147200999, "no audio device"));
    FakeData data(log, "new text");
    drop(data);
    EXPECT_EQ(form->buffer().text().str(), "new text");
    EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
    EXPECT_FALSE(form->reading().isReading());  // the read command reset the menu in silence
    for (const std::string& call : log.calls) EXPECT_EQ(call.rfind("MsgBox", 0), std::string::npos);
}

TEST_F(DropTest, DragOverTakesTheCaptureInsideWithEdgesIncludedAndLetsEveryDragThrough) {
    // The fake picture is 570 x 555 twips.
    struct Case {
        float x, y;
        const char* call;
    } cases[] = {
        {0, 0, "SetCapture(picture)"},     {570, 555, "SetCapture(picture)"},
        {570, 0, "SetCapture(picture)"},   {0, 555, "SetCapture(picture)"},
        {285, 300, "SetCapture(picture)"}, {-1, 100, "ReleaseCapture()"},
        {100, -0.5f, "ReleaseCapture()"},  {570.5f, 100, "ReleaseCapture()"},
        {100, 556, "ReleaseCapture()"},
    };
    FakeData files(log, "", true);
    for (const Case& c : cases)
        for (int state : {kDragEnter, kDragLeave, kDragOver}) {
            log.clear();
            std::int32_t effect = 1;
            form->Picture1_OLEDragOver(files, effect, 1, 0, c.x, c.y, state);
            EXPECT_EQ(log.calls, Calls{c.call}) << c.x << "," << c.y << " state " << state;
            EXPECT_EQ(effect, 1);
        }
    EXPECT_EQ(form->buffer().text().str(), "");
}

// Drops held until their sources are answered reach the drop handler in the order they were
// made, each once, also when the handler of one shows a message box whose loop lets the next
// hand-over in, and when a press hands them over before the window system's own wake-up.
TEST_F(DropTest, HeldDropsReachTheHandlerInOrderEachOnce) {
    form->mnuadddata_Click();
    form->mnutd_Click();
    HeldDrops held;
    const auto hold = [&](std::string text, bool files = false) {
        held.hold(
            {std::make_unique<FakeData>(log, std::move(text), files), 7, kButtonLeft, 0, 10, 10});
    };
    const auto handOver = [&] {
        held.handOver([&](HeldDrop& d) {
            form->Picture1_OLEDragDrop(*d.data, d.effect, d.buttons, d.shift, d.x, d.y);
        });
    };
    hold("a");
    hold("", true);  // no text: its message box lets the wake-ups queued meanwhile in
    hold("c");
    int inside = 0;
    fake.onMessageBox = [&] {
        ++inside;
        handOver();
    };
    handOver();
    EXPECT_EQ(inside, 1);
    EXPECT_EQ(form->buffer().text().str(), "ac");
    EXPECT_TRUE(held.empty());

    handOver();  // a wake-up that finds nothing held
    hold("d");
    hold("e");
    handOver();
    EXPECT_EQ(form->buffer().text().str(), "acde");

    hold("never");
    held.clear();  // the window went first
    handOver();
    EXPECT_EQ(form->buffer().text().str(), "acde");
}

}  // namespace
}  // namespace talvoro::testing
