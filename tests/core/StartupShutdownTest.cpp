#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "app/Placement.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

const Calls kBeforeEngine = {
    "Save_Reg_Sapi()",   "KeepOnTop(main)",
    "MakeLayered(main)", "SetOpacity(main,255)",
    "ClearShape(main)",  "GetSetting(Talvoro,site,top)",
    "Top=3000",          "GetSetting(Talvoro,site,left)",
    "Left=4500",         "CreateEngine()",
};

Calls concat(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class StartupTest : public CoreFixture {
protected:
    void SetUp() override {
        fake.stored["site/top"] = "3000";
        fake.stored["site/left"] = "4500";
    }
};

TEST_F(StartupTest, WithVoicesListsThemInOrderAndEntersIdle) {
    load();
    EXPECT_EQ(log.calls,
              concat(kBeforeEngine, {"GetVoices(,)", "GetVoices(,)", "GetDescription(A,0)",
                                     "GetDescription(B,0)", "Rate=5", "Volume=100"}));

    EXPECT_FALSE(item(MenuName::mnumru, 0).visible);
    EXPECT_EQ(item(MenuName::mnumru, 1).caption, "Voice A");
    EXPECT_TRUE(item(MenuName::mnumru, 1).visible);
    EXPECT_TRUE(item(MenuName::mnumru, 1).checked);
    EXPECT_EQ(item(MenuName::mnumru, 2).caption, "Voice B");
    EXPECT_FALSE(item(MenuName::mnumru, 2).checked);
    EXPECT_TRUE(item(MenuName::mnumru, 2).visible);
    // Voices follow the placeholder in the sub-menu, in the engine's order.
    const auto& list = item(MenuName::mnuvoicetype).children;
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].index, 1);
    EXPECT_EQ(list[2].index, 2);

    for (MenuName head :
         {MenuName::mnuvoicetype, MenuName::mnuyst, MenuName::mnuylT, MenuName::mnuvoice})
        EXPECT_TRUE(item(head).enabled) << nameOf(head);
    EXPECT_FALSE(item(MenuName::mnustop).enabled);
    EXPECT_FALSE(item(MenuName::mnupause).enabled);
    EXPECT_EQ(item(MenuName::mnupause).caption, "暂停");
    EXPECT_FALSE(form->reading().isReading());
    EXPECT_FALSE(form->reading().isPaused());
    EXPECT_FALSE(form->voice().empty());
    EXPECT_EQ(fake.top, 3000);
    EXPECT_EQ(fake.left, 4500);
}

TEST_F(StartupTest, WithoutVoicesReleasesEngineAndDisablesSpeechItems) {
    voices.clear();
    load();
    EXPECT_EQ(log.calls, concat(kBeforeEngine, {"GetVoices(,)", "ReleaseEngine()"}));
    EXPECT_TRUE(form->voice().empty());
    for (MenuName name : {MenuName::mnuvoice, MenuName::mnustop, MenuName::mnupause,
                          MenuName::mnuvoicetype, MenuName::mnuyst, MenuName::mnuylT})
        EXPECT_FALSE(item(name).enabled) << nameOf(name);
    for (MenuName name : {MenuName::mnuopen, MenuName::mnusave, MenuName::mnupales,
                          MenuName::mnudeleteall, MenuName::mnuadddata, MenuName::mnutd,
                          MenuName::mnuhelp, MenuName::mnuabout, MenuName::mnuexit})
        EXPECT_TRUE(item(name).enabled) << nameOf(name);
    EXPECT_TRUE(item(MenuName::mnumru, 0).visible);
    EXPECT_TRUE(item(MenuName::mnumru, 0).checked);
    EXPECT_EQ(form->menu().upperBound(MenuName::mnumru), 0);
}

TEST_F(StartupTest, EngineCreationFailureShowsOneErrorBoxAndKeepsDesignMenu) {
    engineCreationFails = true;
    load();
    EXPECT_EQ(log.calls, concat(kBeforeEngine, {"MsgBox(没有注册类,48,错误信息：-2147221164)"}));
    EXPECT_TRUE(form->voice().empty());
    EXPECT_TRUE(item(MenuName::mnumru, 0).visible);
    EXPECT_TRUE(item(MenuName::mnumru, 0).checked);
    // Steps that did not run leave the design-time state: everything enabled.
    for (MenuName name :
         {MenuName::mnuvoice, MenuName::mnustop, MenuName::mnupause, MenuName::mnuvoicetype})
        EXPECT_TRUE(item(name).enabled) << nameOf(name);
}

TEST_F(StartupTest, FailureInTheVoiceListingKeepsTheElementsAlreadyMade) {
    failures.failing.emplace("GetDescription", AppError(-2147200966, "找不到元素"));
    load();
    EXPECT_EQ(log.calls.back(), "MsgBox(找不到元素,48,错误信息：-2147200966)");
    EXPECT_TRUE(form->menu().exists(MenuName::mnumru, 1));
    EXPECT_FALSE(form->menu().exists(MenuName::mnumru, 2));
    EXPECT_TRUE(item(MenuName::mnumru, 0).visible);  // step 9 never ran
}

TEST_F(StartupTest, LayeredWindowFailureDoesNotStopStartUp) {
    fake.layeredCallsFail = true;
    load();
    EXPECT_EQ(log.calls.back(), "Volume=100");
    for (const auto& call : log.calls) EXPECT_EQ(call.rfind("MsgBox", 0), std::string::npos);
}

TEST_F(StartupTest, MissingKeysPlaceTheBasketAtTheScreenCorner) {
    fake.stored.clear();
    load();
    EXPECT_EQ(fake.top, 0);
    EXPECT_EQ(fake.left, 0);
}

// Where the basket stands once its stored place is restored, on the given screens.
std::pair<float, float> placeAfterStart(const std::vector<Screen>& screens, const char* top,
                                        const char* left) {
    CallLog log;
    FakePlatform f(log);
    f.screenList = screens;
    f.stored["site/top"] = top;
    f.stored["site/left"] = left;
    Placement(f, f).restore();
    return {f.top, f.left};
}

constexpr double kPx = 15.0;

Screen plainScreen(double left, double width, double height) {
    const ScreenRect all{left * kPx, 0, width * kPx, height * kPx};
    return {all, all};
}

// A position wholly off every screen is brought back onto the nearest one; a position that
// shows the basket even in part is kept as stored.
TEST_F(StartupTest, OffScreenPositionComesBackOntoTheNearestScreen) {
    const std::vector<Screen> screens{plainScreen(0, 1280, 800), plainScreen(1280, 1024, 768)};
    struct Case {
        const char* top;
        const char* left;
        float wantTop, wantLeft;
    } cases[] = {
        {"-150", "-150", -150, -150},                          // partly visible: unchanged
        {"-600", "0", 0, 0},                                   // just above the screen
        {"3000", "100000", 3000, (1280 + 1024 - 40) * 15.0f},  // far right: second screen
        {"1E+30", "4500", (800 - 40) * 15.0f, 4500},           // far below the first
        {"-1e30", "-1e30", 0, 0},
        {"12000", "0", (800 - 40) * 15.0f, 0},  // touching the bottom edge is not showing
    };
    for (const Case& c : cases) {
        const auto [top, left] = placeAfterStart(screens, c.top, c.left);
        EXPECT_FLOAT_EQ(top, c.wantTop) << c.top << " / " << c.left;
        EXPECT_FLOAT_EQ(left, c.wantLeft) << c.top << " / " << c.left;
    }
}

// Panels take part of a screen from other windows, not from the screen: a basket parked over a
// panel is on the screen and stays. One that is off every screen comes back clear of panels.
TEST_F(StartupTest, ABasketOverAPanelStaysAndOneBroughtBackLandsBesideThePanels) {
    // A 40 px panel along the bottom and a 48 px one down the left side of the first screen;
    // the second screen's panel is along its top.
    const std::vector<Screen> screens{
        {{0, 0, 1280 * kPx, 800 * kPx}, {48 * kPx, 0, 1232 * kPx, 760 * kPx}},
        {{1280 * kPx, 0, 1024 * kPx, 768 * kPx}, {1280 * kPx, 30 * kPx, 1024 * kPx, 738 * kPx}}};
    struct Case {
        const char* top;
        const char* left;
        float wantTop, wantLeft;
    } cases[] = {
        {"11550", "4500", 770 * kPx, 300 * kPx},  // wholly on the bottom panel
        {"11400", "-300", 760 * kPx, -20 * kPx},  // in the corner of both panels, half off
        {"0", "150", 0, 10 * kPx},                // on the left panel
        {"12000", "4500", 720 * kPx, 300 * kPx},  // just below the screen: above the panel
        {"-1e30", "-1e30", 0, 48 * kPx},          // far up and left: right of the panel
        {"-600", "25000", 30 * kPx, 25000},       // above the second screen: below its panel
        {"20000", "40000", 728 * kPx, (1280 + 1024 - 40) * kPx},  // below right of the second
    };
    for (const Case& c : cases) {
        const auto [top, left] = placeAfterStart(screens, c.top, c.left);
        EXPECT_FLOAT_EQ(top, c.wantTop) << c.top << " / " << c.left;
        EXPECT_FLOAT_EQ(left, c.wantLeft) << c.top << " / " << c.left;
    }
}

class ShutdownTest : public CoreFixture {};

TEST_F(ShutdownTest, WritesBothPositionsAsDecimalTextThenReleasesTheEngine) {
    loadQuietly();
    fake.top = 4500;
    fake.left = -150;
    form->Form_Unload();
    EXPECT_EQ(log.calls, (Calls{"SaveSetting(Talvoro,site,top,4500)",
                                "SaveSetting(Talvoro,site,left,-150)", "ReleaseEngine()"}));
    EXPECT_TRUE(form->voice().empty());
}

TEST_F(ShutdownTest, UnwritableStoreStillReleasesEngineAndReportsNothing) {
    loadQuietly();
    fake.settingsWriteFails = true;
    form->Form_Unload();
    EXPECT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls.back(), "ReleaseEngine()");
}

TEST_F(ShutdownTest, CloseCommandUnloadsTheWindow) {
    loadQuietly();
    form->menuClick({MenuName::mnuexit, kNoIndex});
    EXPECT_EQ(log.calls, Calls{"UnloadMainWindow()"});
}

TEST_F(ShutdownTest, StoredPlaceSurvivesARestart) {
    for (float place : {0.0f, 4500.0f, -150.0f, 3000.0f}) {
        load();
        fake.top = place;
        fake.left = place + 15;
        form->Form_Unload();
        fake.top = fake.left = 999;
        load();
        EXPECT_EQ(fake.top, place);
        EXPECT_EQ(fake.left, place + 15);
    }
}

}  // namespace
}  // namespace talvoro::testing
