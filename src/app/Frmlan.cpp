#include "app/Frmlan.h"

#include "app/WindowAlpha.h"
#include "base/ErrorPolicy.h"
#include "docs/Frmhelp.h"

namespace talvoro {

Frmlan::Frmlan(Platform& platform, SpeechEngineFactory createEngine,
               std::function<void()> provision)
    : p_(platform), createEngine_(std::move(createEngine)), provision_(std::move(provision)) {}

Frmlan::~Frmlan() = default;

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
    placement_.restore();

    Voice.make(createEngine_, *this);
    if (voices_.listVoices() != 0) {
        SetReadingState(false, false);
        voices_.offer();
    } else {
        for (MenuName name : {MenuName::mnuvoice, MenuName::mnustop, MenuName::mnupause,
                              MenuName::mnuvoicetype, MenuName::mnuyst, MenuName::mnuylT})
            menu_.item(name).enabled = false;
    }
}

void Frmlan::Form_Unload() {
    placement_.save();
    eachStepOnItsOwn([&] { Voice.release(); });
}

void Frmlan::mnuexit_Click() {
    p_.windows.unloadMainWindow();
}

void Frmlan::mnuhelp_Click() {
    Frmhelp(p_).Show();
}

void Frmlan::mnuabout_Click() {
    about_.Show();
}

void Frmlan::Picture1_MouseDown(int button, int, float, float) {
    withSilentEnd([&] {
        WindowManager& wm = p_.windows;
        wm.releaseCapture();
        if (pressStartsMove(button)) wm.startMove(wm.mainWindow());
        wm.keepOnTop(wm.mainWindow());
        if (button != kButtonRight) return;

        const bool hasText = !buffer_.text().empty();
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

// The text is moved, not copied, into the buffer: files and drops can be hundreds of megabytes.
void Frmlan::TakeInText(std::string text) {
    if (buffer_.takeIn(std::move(text))) mnuvoice_Click();
}

void Frmlan::mnupales_Click() {
    withCommonErrorBox(p_.messages, [&] { TakeInText(p_.clipboard.clipboardText()); });
}

// Only the data counts: a drag carrying no text fails in GetData, before the buffer is touched.
void Frmlan::Picture1_OLEDragDrop(DataObject& Data, std::int32_t&, int, int, float, float) {
    withCommonErrorBox(p_.messages, [&] { TakeInText(Data.GetData(kFormatText)); });
}

// Every drag is let through; over the picture it takes the capture, as ordinary moves do.
void Frmlan::Picture1_OLEDragOver(DataObject&, std::int32_t&, int, int, float X, float Y, int) {
    withCommonErrorBox(p_.messages, [&] { captureWhileOverPicture(X, Y); });
}

// Everything that can fail happens before TakeInText, so a failure leaves the buffer, the menu
// and the reading as they were.
void Frmlan::mnuopen_Click() {
    withCommonErrorBoxUnlessCancelled(p_.messages, [&] {
        if (auto text = files_.open()) TakeInText(std::move(*text));
    });
}

void Frmlan::mnusave_Click() {
    withCommonErrorBoxUnlessCancelled(p_.messages, [&] { files_.save(buffer_.text().str()); });
}

}  // namespace talvoro
