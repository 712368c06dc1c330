#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "app/WindowAlpha.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

// Every press lets the capture go and puts the basket back on top; only the left button's
// hands the basket to the platform's move, which follows that button alone.
const Calls kLeftPress = {"ReleaseCapture()", "StartMove(main)", "KeepOnTop(main)"};
const Calls kOtherPress = {"ReleaseCapture()", "KeepOnTop(main)"};

class MouseTest : public CoreFixture {
protected:
    void SetUp() override { loadQuietly(); }
};

TEST_F(MouseTest, LeftPressMovesMiddlePressRaisesNeitherOpensAMenu) {
    form->Picture1_MouseDown(kButtonLeft, 0, 30, 30);
    EXPECT_EQ(log.calls, kLeftPress);
    log.clear();
    form->Picture1_MouseDown(kButtonMiddle, 0, 30, 30);
    EXPECT_EQ(log.calls, kOtherPress);
    EXPECT_TRUE(fake.shownMenus.empty());
}

TEST_F(MouseTest, RightPressSetsTextItemsThenOpensThePopup) {
    fake.clipboard = " ";  // a single blank counts as text
    form->Picture1_MouseDown(kButtonRight, 0, 30, 30);
    Calls want = kOtherPress;
    want.insert(want.end(), {"ClipboardText()", "PopupMenu(mnupopup1)"});
    EXPECT_EQ(log.calls, want);
    ASSERT_EQ(fake.shownMenus.size(), 1u);
    const MenuItem& shown = fake.shownMenus[0];
    auto find = [&](MenuName name) {
        for (const auto& c : shown.children)
            if (c.name == name) return c;
        return MenuItem{};
    };
    EXPECT_FALSE(find(MenuName::mnudeleteall).enabled);  // empty buffer
    EXPECT_FALSE(find(MenuName::mnusave).enabled);
    EXPECT_TRUE(find(MenuName::mnupales).enabled);
    EXPECT_FALSE(find(MenuName::mnustop).enabled);
    EXPECT_FALSE(find(MenuName::mnupause).enabled);

    fake.clipboard = "";
    form->Picture1_MouseDown(kButtonRight, 0, 30, 30);
    EXPECT_FALSE(item(MenuName::mnupales).enabled);
}

TEST_F(MouseTest, UnreadableClipboardEndsThePressWithoutMenuOrMessage) {
    fake.clipboardFails = true;
    form->Picture1_MouseDown(kButtonRight, 0, 30, 30);
    EXPECT_EQ(log.calls.back(), "ClipboardText()");
    EXPECT_TRUE(fake.shownMenus.empty());
    EXPECT_FALSE(item(MenuName::mnudeleteall).enabled);  // set before the clipboard was read
    fake.clipboardFails = false;
    form->Picture1_MouseDown(kButtonRight, 0, 30, 30);  // the next press tries again
    EXPECT_EQ(fake.shownMenus.size(), 1u);
}

TEST_F(MouseTest, ChosenItemRunsBeforeThePressEnds) {
    fake.menuChoices.push_back(MenuItemId{MenuName::mnuexit, kNoIndex});
    form->Picture1_MouseDown(kButtonRight, 0, 30, 30);
    EXPECT_EQ(log.calls.back(), "UnloadMainWindow()");
    EXPECT_EQ(log.calls[log.calls.size() - 2], "PopupMenu(mnupopup1)");
}

TEST_F(MouseTest, MoveCapturesInsideTheInclusiveRectangleOnly) {
    struct Case {
        float x, y;
        const char* want;
    } cases[] = {
        {0, 0, "SetCapture(picture)"},     {570, 555, "SetCapture(picture)"},
        {570, 0, "SetCapture(picture)"},   {0, 555, "SetCapture(picture)"},
        {285, 200, "SetCapture(picture)"}, {-1, 10, "ReleaseCapture()"},
        {10, -1, "ReleaseCapture()"},      {570.5f, 10, "ReleaseCapture()"},
        {10, 556, "ReleaseCapture()"},
    };
    for (const Case& c : cases) {
        log.clear();
        form->Picture1_MouseMove(0, 0, c.x, c.y);
        EXPECT_EQ(log.calls, Calls{c.want}) << c.x << "," << c.y;
    }
}

TEST_F(MouseTest, ReleaseOfAnyButtonGivesCaptureToTheMainWindow) {
    for (int button : {kButtonLeft, kButtonRight, kButtonMiddle}) {
        log.clear();
        form->Picture1_MouseUp(button, 0, -5, 900);
        EXPECT_EQ(log.calls, Calls{"SetCapture(main)"});
    }
}

TEST(SetWindowAlpha, ResultCodes) {
    CallLog log;
    FakePlatform fake(log);
    EXPECT_EQ(SetWindowAlpha(fake, FakePlatform::kMain, 255), kAlphaSet);
    EXPECT_EQ(log.calls, (Calls{"MakeLayered(main)", "SetOpacity(main,255)"}));
    EXPECT_EQ(SetWindowAlpha(fake, FakePlatform::kMain, 0), kAlphaSet);
    log.clear();
    EXPECT_EQ(SetWindowAlpha(fake, FakePlatform::kMain, 256), kAlphaOutOfRange);
    EXPECT_EQ(SetWindowAlpha(fake, FakePlatform::kMain, -1), kAlphaOutOfRange);
    EXPECT_TRUE(log.calls.empty());
    fake.layeredCallsFail = true;
    EXPECT_EQ(SetWindowAlpha(fake, FakePlatform::kMain, 128), kAlphaPlatformFailed);
    EXPECT_EQ(log.calls, (Calls{"MakeLayered(main)", "SetOpacity(main,128)"}))
        << "a failing call stopped the next one";
}

}  // namespace
}  // namespace talvoro::testing
