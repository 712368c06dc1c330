#include "platform/win32/Win32AboutBox.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/win32/ResourceIds.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"Talvoro.Frmabout";
constexpr wchar_t kSelfProperty[] = L"Talvoro.Frmabout.self";
// Fixed single border: a title bar with the system menu and a thin frame; no sizing, no
// minimize or maximize box.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
constexpr int kFirstControlId = 100;

// UTF-8 as the system's ANSI code page, for the shell's ANSI entry point.
std::string toAnsi(const std::string& text) {
    const std::wstring wide = utf8ToWide(text);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

}  // namespace

Win32AboutBox::Win32AboutBox(MessageBoxes& boxes, HINSTANCE instance)
    : boxes_(boxes), instance_(instance), scale_(screenTwipsPerPixel()) {
    icon_ = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_TALVORO), IMAGE_ICON, 32, 32, 0));
}

Win32AboutBox::~Win32AboutBox() {
    events_ = nullptr;  // the core may be gone already
    quitWhenClosed_ = false;
    if (window()) DestroyWindow(window());
    if (icon_) DestroyIcon(icon_);
}

void Win32AboutBox::loadAbout(const FormDesign& design, AboutEvents& events) {
    if (window()) {
        events_ = nullptr;
        DestroyWindow(window());
    }
    registerClass(kFormClass, instance_, icon_, LoadCursorW(nullptr, IDC_ARROW),
                  reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    // The design places the client area; the frame goes around it.
    const PixelRect client =
        pixelRect(design.left, design.top, design.clientWidth, design.clientHeight, scale_);
    RECT outer{client.left, client.top, client.left + client.width, client.top + client.height};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);

    const std::wstring caption = utf8ToWide(design.caption);
    HWND form = create(kFormClass, kFormExStyle, caption.c_str(), kFormStyle, outer.left, outer.top,
                       outer.right - outer.left, outer.bottom - outer.top, nullptr, instance_);
    if (!form) throw win32Error(GetLastError());
    events_ = &events;
    surfaceClicks_ = {};
    try {
        createControls(design);
    } catch (...) {
        events_ = nullptr;
        DestroyWindow(form);
        throw;
    }
}

void Win32AboutBox::createControls(const FormDesign& design) {
    const HFONT formFont = font(design.font);
    controls_.clear();
    controls_.reserve(design.controls.size());
    defaultButton_ = cancelButton_ = nullptr;
    const int clientWidth = twipsToPixels(design.clientWidth, scale_.x);
    int nextId = kFirstControlId;
    for (const ControlDesign& d : design.controls) {
        const auto [left, top, width, height] = pixelRect(d.left, d.top, d.width, d.height, scale_);
        const std::wstring text = utf8ToWide(d.caption);
        HWND w = nullptr;
        switch (d.kind) {
            case ControlKind::Button: {
                const int id = d.isDefault ? IDOK : d.isCancel ? IDCANCEL : nextId++;
                const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                                    (d.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
                w = CreateWindowExW(0, L"BUTTON", text.c_str(), style, left, top, width, height,
                                    window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    instance_, nullptr);
                if (w && d.isDefault) defaultButton_ = w, defaultName_ = d.name;
                if (w && d.isCancel) cancelButton_ = w, cancelName_ = d.name;
                break;
            }
            case ControlKind::Picture:
                // SS_NOTIFY: the picture and the labels take their own clicks, which would
                // otherwise fall through to the surface and close the box.
                w = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_NOTIFY,
                                    left, top, width, height, window(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)),
                                    instance_, nullptr);
                if (w && icon_) SendMessageW(w, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
                break;
            case ControlKind::Label: {
                const SIZE fit = fitted(text, d.font ? font(*d.font) : formFont,
                                        SIZE{width, height}, clientWidth - left);
                w = CreateWindowExW(0, L"STATIC", text.c_str(),
                                    WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, left,
                                    top, fit.cx, fit.cy, window(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)),
                                    instance_, nullptr);
                break;
            }
        }
        if (!w) throw win32Error(GetLastError());
        const HFONT f = d.font ? font(*d.font) : formFont;
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);

        Control c;
        c.name = d.name;
        c.window = w;
        c.hasColour = d.foreColour.has_value();
        c.colour = d.foreColour.value_or(0);
        c.handPointer = d.handPointer;
        c.isButton = d.kind == ControlKind::Button;
        controls_.push_back(c);
        if (d.kind != ControlKind::Button) {
            SetPropW(w, kSelfProperty, this);
            controls_.back().originalProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
        }
    }
}

// A label keeps its designed size unless its text in the font the system gives it would be cut
// off: fonts standing in for missing ones (under Wine above all) can run wider and taller.
SIZE Win32AboutBox::fitted(const std::wstring& text, HFONT f, SIZE designed, int room) {
    SIZE fit = designed;
    HDC dc = GetDC(window());
    if (!dc) return fit;
    const HGDIOBJ old = SelectObject(dc, f);
    SIZE extent{};
    TEXTMETRICW metrics{};
    if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent))
        fit.cx = std::max(fit.cx, std::min(static_cast<LONG>(extent.cx), static_cast<LONG>(room)));
    if (GetTextMetricsW(dc, &metrics)) fit.cy = std::max(fit.cy, metrics.tmHeight);
    SelectObject(dc, old);
    ReleaseDC(window(), dc);
    return fit;
}

HFONT Win32AboutBox::font(const FontDesign& design) {
    const std::string key = design.name + "/" + std::to_string(design.charset) + "/" +
                            std::to_string(design.points) + (design.bold ? "b" : "") +
                            (design.underline ? "u" : "");
    auto known = fontsByDesign_.find(key);
    if (known != fontsByDesign_.end()) return known->second;
    int dpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    const int height = -MulDiv(static_cast<int>(design.points * 100 + 0.5), dpi, 7200);
    const std::wstring face = utf8ToWide(design.name);
    HFONT f = CreateFontW(
        height, 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL, FALSE, design.underline ? TRUE : FALSE,
        FALSE, static_cast<DWORD>(design.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!f) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    fonts_.push_back(f);
    fontsByDesign_[key] = f;
    return f;
}

void Win32AboutBox::showAbout() {
    if (!window()) return;
    if (!IsWindowVisible(window())) {
        ShowWindow(window(), SW_SHOWNORMAL);
        UpdateWindow(window());
        if (defaultButton_) SetFocus(defaultButton_);
    }
    SetForegroundWindow(window());
    BringWindowToTop(window());
}

void Win32AboutBox::setAboutForeColour(const std::string& control, Colour colour) {
    Control* c = controlNamed(control);
    if (!c) return;
    c->colour = colour;
    c->hasColour = true;
    InvalidateRect(c->window, nullptr, TRUE);
}

void Win32AboutBox::unloadAbout() {
    if (window()) DestroyWindow(window());
}

bool Win32AboutBox::openAddress(const std::string& address) {
    const std::string file = toAnsi(address);
    const HINSTANCE result = ShellExecuteA(nullptr, "Open", file.c_str(), "", "", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32AboutBox::preTranslateMessage(MSG& message) {
    if (!window() || !message.hwnd) return false;
    if (message.hwnd != window() && !IsChild(window(), message.hwnd)) return false;
    return IsDialogMessageW(window(), &message) != FALSE;
}

Win32AboutBox::Control* Win32AboutBox::controlOf(HWND window) {
    for (Control& c : controls_)
        if (c.window == window) return &c;
    return nullptr;
}

Win32AboutBox::Control* Win32AboutBox::controlNamed(const std::string& name) {
    for (Control& c : controls_)
        if (c.name == name) return &c;
    return nullptr;
}

LRESULT CALLBACK Win32AboutBox::controlProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self = static_cast<Win32AboutBox*>(GetPropW(window, kSelfProperty));
    Control* c = self ? self->controlOf(window) : nullptr;
    if (!c) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->onControlMessage(*c, message, wParam, lParam);
    } catch (...) {
        reportEscaped(window, std::current_exception());
        return 0;
    }
}

LRESULT Win32AboutBox::onControlMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = c.window;
    const WNDPROC original = c.originalProc;
    switch (message) {
        case WM_SETCURSOR:
            if (c.handPointer) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_NCDESTROY:
            RemovePropW(window, kSelfProperty);
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            return CallWindowProcW(original, window, message, wParam, lParam);
        default:
            // The name is copied: the handler it reaches may close the box.
            if (mouse(window, std::string(c.name), c.clicks, message, wParam, lParam)) return 0;
            break;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

bool Win32AboutBox::mouse(HWND window, const std::string& name, ClickRule& clicks, UINT message,
                          WPARAM wParam, LPARAM lParam) {
    const auto pressOrRelease = buttonMessage(message);
    if (!pressOrRelease) return false;
    const auto [button, down, secondOfDouble] = *pressOrRelease;
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const auto x = static_cast<float>(pixelsToTwips(at.x, scale_.x));
    const auto y = static_cast<float>(pixelsToTwips(at.y, scale_.y));
    const int shift = mouseKeys(wParam);
    AboutEvents* events = events_;
    if (down) {
        // The release comes back here wherever the pointer has gone.
        SetCapture(window);
        clicks.pressed(button, secondOfDouble);
        toCore(events, [&](AboutEvents& e) { e.MouseDown(name, button, shift, x, y); });
        return true;
    }
    RECT client;
    GetClientRect(window, &client);
    const bool click = clicks.released(button, PtInRect(&client, at));
    if (!mouseButtons(static_cast<DWORD>(wParam)) && GetCapture() == window) ReleaseCapture();
    toCore(events, [&](AboutEvents& e) { e.MouseUp(name, button, shift, x, y); });
    // A window the release closed reports nothing more.
    if (click && events_ == events) toCore(events, [&](AboutEvents& e) { e.Click(name); });
    return true;
}

LRESULT Win32AboutBox::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            const Control* c = controlOf(reinterpret_cast<HWND>(lParam));
            SetTextColor(dc, c && c->hasColour ? c->colour : GetSysColor(COLOR_BTNTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case DM_GETDEFID:
            if (defaultButton_) return MAKELRESULT(GetDlgCtrlID(defaultButton_), DC_HASDEFID);
            return 0;
        case WM_COMMAND: {
            if (HIWORD(wParam) != BN_CLICKED) return 0;
            // Enter and Esc arrive as the commands of the default and the cancel button.
            const int id = LOWORD(wParam);
            std::string name;
            if (id == IDOK)
                name = defaultButton_ ? defaultName_ : "";
            else if (id == IDCANCEL)
                name = cancelButton_ ? cancelName_ : "";
            else if (const Control* c = controlOf(reinterpret_cast<HWND>(lParam)))
                name = c->isButton ? c->name : "";  // labels report their own clicks
            if (!name.empty()) toCore(events_, [&](AboutEvents& e) { e.Click(name); });
            return 0;
        }
        case WM_SETFOCUS:
            if (defaultButton_) SetFocus(defaultButton_);
            return 0;
        case WM_CLOSE:
            // The title bar's close, Alt+F4 and the system menu.
            DestroyWindow(window());
            return 0;
        case WM_DESTROY:
            destroyed();
            return 0;
        case WM_NCDESTROY:
            // The controls have gone with their fonts' last use.
            for (HFONT f : fonts_) DeleteObject(f);
            fonts_.clear();
            fontsByDesign_.clear();
            break;
        default:
            if (mouse(window(), "", surfaceClicks_, message, wParam, lParam)) return 0;
            break;
    }
    return DefWindowProcW(window(), message, wParam, lParam);
}

void Win32AboutBox::destroyed() {
    AboutEvents* events = events_;
    events_ = nullptr;
    defaultButton_ = cancelButton_ = nullptr;
    toCore(events, [](AboutEvents& e) { e.Unload(); });
    if (quitWhenClosed_) PostQuitMessage(0);
}

}  // namespace talvoro::win32
