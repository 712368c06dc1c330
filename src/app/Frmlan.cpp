#include "app/Frmlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/AppError.h"
#include "app/ErrorPolicy.h"
#include "app/NumberText.h"
#include "app/WindowAlpha.h"
#include "docs/Frmabout.h"
#include "docs/Frmhelp.h"

namespace talvoro {
namespace {

constexpr const char* kSection = "site";
constexpr const char* kKeyTop = "top";
constexpr const char* kKeyLeft = "left";
constexpr int kStartRate = 5;
constexpr int kStartVolume = 100;

float toSingle(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value)) return 0.0f;
    return static_cast<float>(std::clamp(value, -kMax, kMax));
}

// Distance between two intervals on one axis; 0 when they overlap or touch.
double gap(double a0, double a1, double b0, double b1) {
    if (a1 <= b0) return b0 - a1;
    if (b1 <= a0) return a0 - b1;
    return 0.0;
}

bool overlaps(double a0, double a1, double b0, double b1) { return a0 < b1 && b0 < a1; }

}  // namespace

Frmlan::Frmlan(Platform& platform, SpeechEngineFactory createEngine,
               std::function<void()> provision)
    : p_(platform), createEngine_(std::move(createEngine)), provision_(std::move(provision)) {}

Frmlan::~Frmlan() = default;

SpeechEngine& Frmlan::engine() {
    if (!Voice) throw AppError(kErrObjectNotSet, "对象变量或 With 块变量未设置");
    return *Voice;
}

void Frmlan::Form_Load() {
    withCommonErrorBox(p_.messages, [this] { startUpSequence(); });
}

void Frmlan::startUpSequence() {
    WindowManager& wm = p_.windows;
    const WindowHandle hwnd = wm.mainWindow();

    if (provision_) provision_();
    wm.keepOnTop(hwnd);
    SetWindowAlpha(wm, hwnd, 255);
    wm.clearShape(hwnd);
    wm.setWindowTop(toSingle(leadingNumber(p_.settings.getSetting(kAppTitle, kSection, kKeyTop, ""))));
    wm.setWindowLeft(
        toSingle(leadingNumber(p_.settings.getSetting(kAppTitle, kSection, kKeyLeft, ""))));
    bringOntoScreen();

    Voice = createEngine_(*this);
    listVoices();
}

// A stored place that lies wholly off every screen would leave the program's only window out of
// reach; such a basket is moved into the work area of the nearest screen. A basket that shows
// even partly stays where it is, over a panel or task bar too: its user may have put it there.
void Frmlan::bringOntoScreen() {
    WindowManager& wm = p_.windows;
    const std::vector<Screen> screens = wm.screens();
    if (screens.empty()) return;
    const double left = wm.windowLeft(), top = wm.windowTop();
    const double width = wm.windowWidth(), height = wm.windowHeight();

    const Screen* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const Screen& screen : screens) {
        const ScreenRect& s = screen.whole;
        if (overlaps(left, left + width, s.left, s.left + s.width) &&
            overlaps(top, top + height, s.top, s.top + s.height))
            return;  // on this screen, at least in part
        const double dx = gap(left, left + width, s.left, s.left + s.width);
        const double dy = gap(top, top + height, s.top, s.top + s.height);
        const double d = std::hypot(dx, dy);
        if (d < best) best = d, nearest = &screen;
    }
    const ScreenRect& area = nearest->workArea;
    const double maxLeft = std::max(area.left, area.left + area.width - width);
    const double maxTop = std::max(area.top, area.top + area.height - height);
    wm.setWindowTop(static_cast<float>(std::clamp(top, area.top, maxTop)));
    wm.setWindowLeft(static_cast<float>(std::clamp(left, area.left, maxLeft)));
}

void Frmlan::listVoices() {
    std::int16_t n = 0;
    if (engine().GetVoices("", "").size() < 1) {
        Voice.reset();
    } else {
        for (const VoiceToken& token : engine().GetVoices("", "")) {
            if (n == std::numeric_limits<std::int16_t>::max()) throw AppError(kErrOverflow, "溢出");
            ++n;
            menu_.loadElement(MenuName::mnumru, n);
            const std::string caption = engine().GetDescription(token, 0);
            MenuItem& element = menu_.item(MenuName::mnumru, n);
            element.caption = caption;
            element.visible = true;
            element.checked = n == 1;
        }
    }

    if (n != 0) {
        SetReadingState(false, false);
        menu_.item(MenuName::mnuvoicetype).enabled = true;
        menu_.item(MenuName::mnuyst).enabled = true;
        menu_.item(MenuName::mnuylT).enabled = true;
        menu_.item(MenuName::mnumru, 0).visible = false;
        engine().SetRate(kStartRate);
        engine().SetVolume(kStartVolume);
    } else {
        for (MenuName name : {MenuName::mnuvoice, MenuName::mnustop, MenuName::mnupause,
                              MenuName::mnuvoicetype, MenuName::mnuyst, MenuName::mnuylT})
            menu_.item(name).enabled = false;
    }
}

void Frmlan::Form_Unload() {
    WindowManager& wm = p_.windows;
    eachStepOnItsOwn([&] {
        p_.settings.saveSetting(kAppTitle, kSection, kKeyTop, numberText(wm.windowTop()));
    });
    eachStepOnItsOwn([&] {
        p_.settings.saveSetting(kAppTitle, kSection, kKeyLeft, numberText(wm.windowLeft()));
    });
    eachStepOnItsOwn([&] { Voice.reset(); });
}

void Frmlan::mnuexit_Click() { p_.windows.unloadMainWindow(); }

void Frmlan::mnuhelp_Click() { Frmhelp(p_).Show(); }

void Frmlan::mnuabout_Click() { about_.Show(); }

void Frmlan::Picture1_MouseDown(int button, int, float, float) {
    withSilentEnd([&] {
        WindowManager& wm = p_.windows;
        wm.releaseCapture();
        if (pressStartsMove(button)) wm.startMove(wm.mainWindow());
        wm.keepOnTop(wm.mainWindow());
        if (button != kButtonRight) return;

        const bool hasText = !TextBuffer.empty();
        menu_.item(MenuName::mnudeleteall).enabled = hasText;
        menu_.item(MenuName::mnusave).enabled = hasText;
        menu_.item(MenuName::mnupales).enabled = !p_.clipboard.clipboardText().empty();
        if (auto chosen = p_.menus.popupMenu(menu_.root())) menuClick(*chosen);
    });
}

// While the pointer (or a drag) is over the picture, edges included, the picture holds the
// capture; outside it, nothing does.
void Frmlan::captureWhileOverPicture(float x, float y) {
    WindowManager& wm = p_.windows;
    const float w = wm.pictureWidth(), h = wm.pictureHeight();
    if (x >= 0 && x <= w && y >= 0 && y <= h)
        wm.setCapture(wm.pictureWindow());
    else
        wm.releaseCapture();
}

void Frmlan::Picture1_MouseMove(int, int, float x, float y) {
    withSilentEnd([&] { captureWhileOverPicture(x, y); });
}

void Frmlan::Picture1_MouseUp(int, int, float, float) {
    withCommonErrorBox(p_.messages, [&] { p_.windows.setCapture(p_.windows.mainWindow()); });
}

namespace {

struct Command {
    MenuName item;
    void (*run)(Frmlan& form, int index);
};

// The click handler of every item that has one; the root, the sub-menu heads and the
// separators have none.
constexpr Command kCommands[] = {
    {MenuName::mnuopen, [](Frmlan& f, int) { f.mnuopen_Click(); }},
    {MenuName::mnusave, [](Frmlan& f, int) { f.mnusave_Click(); }},
    {MenuName::mnupales, [](Frmlan& f, int) { f.mnupales_Click(); }},
    {MenuName::mnudeleteall, [](Frmlan& f, int) { f.mnudeleteall_Click(); }},
    {MenuName::mnuadddata, [](Frmlan& f, int) { f.mnuadddata_Click(); }},
    {MenuName::mnutd, [](Frmlan& f, int) { f.mnutd_Click(); }},
    {MenuName::mnuvoice, [](Frmlan& f, int) { f.mnuvoice_Click(); }},
    {MenuName::mnustop, [](Frmlan& f, int) { f.mnustop_Click(); }},
    {MenuName::mnupause, [](Frmlan& f, int) { f.mnupause_Click(); }},
    {MenuName::mnumru, [](Frmlan& f, int index) { f.mnumru_Click(index); }},
    {MenuName::mnuys, [](Frmlan& f, int index) { f.mnuys_Click(index); }},
    {MenuName::mnuyl, [](Frmlan& f, int index) { f.mnuyl_Click(index); }},
    {MenuName::mnuhelp, [](Frmlan& f, int) { f.mnuhelp_Click(); }},
    {MenuName::mnuabout, [](Frmlan& f, int) { f.mnuabout_Click(); }},
    {MenuName::mnuexit, [](Frmlan& f, int) { f.mnuexit_Click(); }},
};

}  // namespace

void Frmlan::menuClick(const MenuItemId& item) {
    for (const Command& command : kCommands)
        if (command.item == item.name) return command.run(*this, item.index);
}

}  // namespace talvoro
