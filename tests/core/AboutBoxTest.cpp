// The About box: opened from the menu, one at a time; its links coloured while pressed and
// opened through the shell; its ways of closing; and its design within its window.

#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "docs/Frmabout.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;

const std::string kWebRequest = std::string("OpenAddress(") + kMakerWebAddress + ")";
const std::string kMailRequest = std::string("OpenAddress(mailto:") + kMakerMailAddress + ")";

class AboutBoxTest : public CoreFixture {
protected:
    void SetUp() override { loadQuietly(); }

    // The About command as the user reaches it: a right click on the basket, then "关于".
    void chooseAbout() {
        fake.menuChoices.push_back(MenuItemId{MenuName::mnuabout, kNoIndex});
        form->Picture1_MouseDown(kButtonRight, 0, 30, 30);
    }

    void openQuietly() {
        chooseAbout();
        log.clear();
    }

    AboutEvents& box() {
        EXPECT_NE(fake.aboutEvents, nullptr) << "no About box is open";
        return *fake.aboutEvents;
    }

    // Calls after the pop-up, the part the About command made.
    Calls afterPopup() const {
        auto it = std::find(log.calls.begin(), log.calls.end(), "PopupMenu(mnupopup1)");
        return it == log.calls.end() ? Calls{} : Calls(it + 1, log.calls.end());
    }
};

TEST_F(AboutBoxTest, AboutLoadsTheBoxOnceAndOnlyBringsAnOpenOneForward) {
    chooseAbout();
    EXPECT_EQ(afterPopup(), (Calls{"LoadAbout(Frmabout)", "ShowAbout()"}));
    EXPECT_EQ(fake.aboutDesign, &Frmabout::design());
    EXPECT_TRUE(form->about().isLoaded());

    log.clear();
    chooseAbout();
    EXPECT_EQ(afterPopup(), (Calls{"ShowAbout()"})) << "a second box was loaded";

    log.clear();
    form->menuClick(MenuItemId{MenuName::mnuabout, kNoIndex});
    EXPECT_EQ(log.calls, (Calls{"ShowAbout()"}));
}

TEST_F(AboutBoxTest, EveryWayOfClosingUnloadsAndTheNextAboutLoadsAfresh) {
    struct Way {
        const char* what;
        std::function<void(AboutEvents&)> close;
        Calls calls;
    } ways[] = {
        {"OK, Enter or Esc", [](AboutEvents& e) { e.Click("cmdOK"); }, {"UnloadAbout()"}},
        {"a click on the surface", [](AboutEvents& e) { e.Click(""); }, {"UnloadAbout()"}},
        // The title bar's close and the system menu close the window themselves.
        {"the title bar", [](AboutEvents& e) { e.Unload(); }, {}},
    };
    for (const Way& way : ways) {
        openQuietly();
        AboutEvents& events = box();
        way.close(events);
        EXPECT_EQ(log.calls, way.calls) << way.what;
        EXPECT_FALSE(form->about().isLoaded()) << way.what;

        log.clear();
        fake.aboutEvents = nullptr;
        chooseAbout();
        EXPECT_EQ(afterPopup(), (Calls{"LoadAbout(Frmabout)", "ShowAbout()"})) << way.what;
        box().Click("cmdOK");
        log.clear();
    }
}

TEST_F(AboutBoxTest, LinkIsRedWhilePressedBlueOnReleaseThenOpensOnce) {
    struct Link {
        const char* name;
        std::string request;
    } links[] = {{"lblWww", kWebRequest}, {"lblSmtp", kMailRequest}};
    openQuietly();
    for (const Link& link : links) {
        const std::string name = link.name;
        const ControlDesign* design = Frmabout::design().control(name);
        ASSERT_NE(design, nullptr);
        ASSERT_TRUE(design->foreColour);
        // Released, the link shows again as it was designed.
        EXPECT_EQ(*design->foreColour, kLinkColour) << name;

        // The left button: red, blue, then the click that opens the link.
        box().MouseDown(name, kButtonLeft, 0, 100, 50);
        EXPECT_EQ(log.calls, (Calls{"ForeColor(" + name + ",255,0,0)"}));
        box().MouseUp(name, kButtonLeft, 0, 100, 50);
        box().Click(name);
        EXPECT_EQ(log.calls, (Calls{"ForeColor(" + name + ",255,0,0)",
                                    "ForeColor(" + name + ",0,0,255)", link.request}));
        log.clear();

        // Any other button, with any keys held, colours the same and opens nothing.
        for (int button : {kButtonRight, kButtonMiddle}) {
            box().MouseDown(name, button, 7, 0, 0);
            box().MouseUp(name, button, 7, 0, 0);
        }
        EXPECT_EQ(log.calls,
                  (Calls{"ForeColor(" + name + ",255,0,0)", "ForeColor(" + name + ",0,0,255)",
                         "ForeColor(" + name + ",255,0,0)", "ForeColor(" + name + ",0,0,255)"}));
        log.clear();
    }

    // The shell's answer is not looked at, and nothing stops the box from opening it again.
    fake.shellAnswers = false;  // no program handles the address
    box().Click("lblWww");
    box().Click("lblWww");
    EXPECT_EQ(log.calls, (Calls{kWebRequest, kWebRequest}));
    EXPECT_TRUE(form->about().isLoaded());
}

TEST_F(AboutBoxTest, ThePictureAndThePlainLabelsDoNothing) {
    openQuietly();
    for (const ControlDesign& c : Frmabout::design().controls) {
        if (c.kind == ControlKind::Button || c.name == "lblWww" || c.name == "lblSmtp") continue;
        for (int button : {kButtonLeft, kButtonRight}) {
            box().MouseDown(c.name, button, 0, 10, 10);
            box().MouseUp(c.name, button, 0, 10, 10);
        }
        box().Click(c.name);
        EXPECT_EQ(log.calls, Calls{}) << c.name;
    }
    EXPECT_TRUE(form->about().isLoaded());
}

TEST_F(AboutBoxTest, EventsArrivingAfterTheBoxClosedArePassedOver) {
    openQuietly();
    AboutEvents& events = box();
    events.Click("cmdOK");
    log.clear();
    // A window system may still deliver what was queued before the window went.
    events.MouseDown("lblWww", kButtonLeft, 0, 0, 0);
    events.MouseUp("lblWww", kButtonLeft, 0, 0, 0);
    events.Click("lblWww");
    events.Click("lblSmtp");
    events.Click("cmdOK");
    events.Click("");
    EXPECT_EQ(log.calls, Calls{});
}

TEST_F(AboutBoxTest, TheBoxOutlivesTheBasket) {
    openQuietly();
    form->Form_Unload();
    for (const std::string& call : log.calls) EXPECT_NE(call, "UnloadAbout()");
    EXPECT_TRUE(form->about().isLoaded());
    log.clear();
    box().Click("lblSmtp");
    EXPECT_EQ(log.calls, (Calls{kMailRequest}));
}

TEST_F(AboutBoxTest, AWindowThatCannotBeMadeIsSilentAndTriedAgainNextTime) {
    fake.aboutLoadFails = true;
    chooseAbout();
    EXPECT_EQ(afterPopup(), (Calls{"LoadAbout(Frmabout)"}));
    EXPECT_FALSE(form->about().isLoaded());

    fake.aboutLoadFails = false;
    log.clear();
    chooseAbout();
    EXPECT_EQ(afterPopup(), (Calls{"LoadAbout(Frmabout)", "ShowAbout()"}));
}

// Every control lies inside the client area and no two overlap, so none hides another's text
// or takes another's clicks; the box has one button, both default and cancel, first in tab
// order so that it holds the focus; both links show the pointing hand.
TEST(AboutDesign, ControlsFitTheWindowWithoutOverlapAndTheButtonTakesEnterAndEsc) {
    const FormDesign& d = Frmabout::design();
    ASSERT_FALSE(d.controls.empty());
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        const ControlDesign& a = d.controls[i];
        EXPECT_GE(a.left, 0) << a.name;
        EXPECT_GE(a.top, 0) << a.name;
        EXPECT_LE(a.left + a.width, d.clientWidth) << a.name;
        EXPECT_LE(a.top + a.height, d.clientHeight) << a.name;
        for (std::size_t j = i + 1; j < d.controls.size(); ++j) {
            const ControlDesign& b = d.controls[j];
            const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                               a.top + a.height <= b.top || b.top + b.height <= a.top;
            EXPECT_TRUE(apart) << a.name << " overlaps " << b.name;
        }
    }
    const ControlDesign& first = d.controls.front();
    EXPECT_EQ(first.name, "cmdOK");
    EXPECT_TRUE(first.isDefault && first.isCancel);
    int buttons = 0;
    for (const ControlDesign& c : d.controls) buttons += c.kind == ControlKind::Button;
    EXPECT_EQ(buttons, 1);
    for (const char* link : {"lblWww", "lblSmtp"}) {
        const ControlDesign* c = d.control(link);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->handPointer) << link;
        ASSERT_TRUE(c->font) << link;
        EXPECT_TRUE(c->font->underline) << link;
    }
}

}  // namespace
}  // namespace talvoro::testing
