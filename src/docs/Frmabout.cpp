#include "docs/Frmabout.h"

#include <utility>

#include "base/ErrorPolicy.h"

namespace talvoro {
namespace {

ControlDesign control(const char* name, ControlKind kind, std::string caption, int left, int top,
                      int width, int height) {
    ControlDesign c;
    c.name = name;
    c.kind = kind;
    c.caption = std::move(caption);
    c.left = left, c.top = top, c.width = width, c.height = height;
    return c;
}

ControlDesign label(const char* name, std::string caption, int left, int top, int width,
                    int height) {
    return control(name, ControlKind::Label, std::move(caption), left, top, width, height);
}

ControlDesign link(const char* name, std::string caption, int left, int top, int width, int height,
                   FontDesign font) {
    ControlDesign c = label(name, std::move(caption), left, top, width, height);
    c.foreColour = kLinkColour;
    font.underline = true;
    c.font = std::move(font);
    c.handPointer = true;
    return c;
}

FormDesign makeDesign() {
    FormDesign d;
    d.name = "Frmabout";
    d.caption = "关于";
    d.clientWidth = 4785;
    d.clientHeight = 3075;
    d.left = 4185;
    d.top = 3180;
    // The form's own font: the dialog font of the Simplified Chinese system.
    d.font = FontDesign{"宋体", kGb2312Charset, 9, false, false};

    ControlDesign ok = control("cmdOK", ControlKind::Button, "确定", 1845, 2625, 1260, 345);
    ok.isDefault = ok.isCancel = true;
    ControlDesign title = label("lblTitle", "软件名称：Talvoro", 1245, 165, 2040, 240);
    title.foreColour = rgbColour(0, 0, 0);

    // Tab order: the button first, so that it holds the focus when the box opens.
    d.controls = {
        ok,
        control("imgIcon", ControlKind::Picture, "", 345, 210, 480, 480),
        title,
        label("lblDistribute", "软件版本：1.0", 1245, 450, 1275, 240),
        label("Label2", "软件作者：开发组", 1245, 720, 1545, 240),
        label("Label3", "作者单位：Talvoro 项目", 1245, 1005, 2070, 240),
        label("lblCopyright", "版权所有 (C) 2026 Talvoro", 1245, 1290, 2400, 225),
        label("lblInfo", "主页：", 1245, 1545, 570, 180),
        link("lblWww", "Talvoro (www.talvoro.example)", 1245, 1785, 2760, 195,
             FontDesign{"宋体", kGb2312Charset, 8.25, false, true}),
        label("lblComments", "与我联系：", 1245, 2055, 1005, 195),
        link("lblSmtp", kMakerMailAddress, 1245, 2280, 1635, 195,
             FontDesign{"MS Sans Serif", kAnsiCharset, 8.25, false, true}),
    };
    return d;
}

}  // namespace

Frmabout::Frmabout(AboutBox& box) : box_(box) {}

const FormDesign& Frmabout::design() {
    static const FormDesign d = makeDesign();
    return d;
}

void Frmabout::Show() {
    withSilentEnd([this] {
        if (!loaded_) {
            box_.loadAbout(design(), *this);
            loaded_ = true;
        }
        box_.showAbout();
    });
}

void Frmabout::unloadMe() {
    box_.unloadAbout();
}

void Frmabout::cmdOK_Click() {
    withSilentEnd([this] { unloadMe(); });
}

void Frmabout::Form_Click() {
    withSilentEnd([this] { unloadMe(); });
}

void Frmabout::Form_Unload() {
    loaded_ = false;
}

// The desktop's answer is not looked at: when nothing handles the address, any notice is the
// desktop's own.
void Frmabout::openThroughShell(const std::string& address) {
    withSilentEnd([&] { box_.openAddress(address); });
}

void Frmabout::lblWww_Click() {
    openThroughShell(kMakerWebAddress);
}

void Frmabout::lblSmtp_Click() {
    openThroughShell(std::string("mailto:") + kMakerMailAddress);
}

void Frmabout::lblWww_MouseDown(int, int, float, float) {
    withSilentEnd([this] { box_.setAboutForeColour("lblWww", kPressedLinkColour); });
}

void Frmabout::lblWww_MouseUp(int, int, float, float) {
    withSilentEnd([this] { box_.setAboutForeColour("lblWww", kLinkColour); });
}

void Frmabout::lblSmtp_MouseDown(int, int, float, float) {
    withSilentEnd([this] { box_.setAboutForeColour("lblSmtp", kPressedLinkColour); });
}

void Frmabout::lblSmtp_MouseUp(int, int, float, float) {
    withSilentEnd([this] { box_.setAboutForeColour("lblSmtp", kLinkColour); });
}

namespace {

// The handlers of each control that has any; the window's own surface is the empty name.
struct ControlHandlers {
    const char* control;
    void (Frmabout::*click)();
    void (Frmabout::*mouseDown)(int, int, float, float);
    void (Frmabout::*mouseUp)(int, int, float, float);
};

constexpr ControlHandlers kHandlers[] = {
    {"", &Frmabout::Form_Click, nullptr, nullptr},
    {"cmdOK", &Frmabout::cmdOK_Click, nullptr, nullptr},
    {"lblWww", &Frmabout::lblWww_Click, &Frmabout::lblWww_MouseDown, &Frmabout::lblWww_MouseUp},
    {"lblSmtp", &Frmabout::lblSmtp_Click, &Frmabout::lblSmtp_MouseDown, &Frmabout::lblSmtp_MouseUp},
};

const ControlHandlers* handlersOf(const std::string& control) {
    for (const ControlHandlers& h : kHandlers)
        if (control == h.control) return &h;
    return nullptr;
}

}  // namespace

void Frmabout::Click(const std::string& control) {
    const ControlHandlers* h = handlersOf(control);
    if (loaded_ && h && h->click) (this->*h->click)();
}

void Frmabout::MouseDown(const std::string& control, int button, int shift, float x, float y) {
    const ControlHandlers* h = handlersOf(control);
    if (loaded_ && h && h->mouseDown) (this->*h->mouseDown)(button, shift, x, y);
}

void Frmabout::MouseUp(const std::string& control, int button, int shift, float x, float y) {
    const ControlHandlers* h = handlersOf(control);
    if (loaded_ && h && h->mouseUp) (this->*h->mouseUp)(button, shift, x, y);
}

void Frmabout::Unload() {
    Form_Unload();
}

}  // namespace talvoro
