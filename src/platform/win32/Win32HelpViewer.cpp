#include "platform/win32/Win32HelpViewer.h"

#include <exdisp.h>
#include <ole2.h>

#include <utility>

#include "platform/win32/BrowserSite.h"
#include "platform/win32/ResourceIds.h"
#include "platform/win32/WinUi.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr const wchar_t* kClassName = L"TalvoroHelp";
template <typename T>
void release(T*& p) {
    if (p) std::exchange(p, nullptr)->Release();
}

}  // namespace

Win32HelpViewer::Win32HelpViewer(HINSTANCE instance) : instance_(instance) {}

Win32HelpViewer::~Win32HelpViewer() {
    if (HWND w = window()) DestroyWindow(w);
}

void Win32HelpViewer::loadHelp(const FormDesign& design) {
    registerClass(kClassName, instance_, LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TALVORO)),
                  LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));

    const TwipsPerPixel t = screenTwipsPerPixel();
    RECT outer{0, 0, twipsToPixels(design.clientWidth, t.x),
               twipsToPixels(design.clientHeight, t.y)};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
    // As designed: an ordinary sizable window without owner, placed where the system places new
    // windows.
    if (!create(kClassName, 0, utf8ToWide(design.caption).c_str(),
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                outer.right - outer.left, outer.bottom - outer.top, nullptr, instance_))
        throw win32Error(GetLastError());
    createBrowser();
}

// Creates the WebBrowser control and activates it in place over the client area. Any step that
// fails leaves the window without a browser.
void Win32HelpViewer::createBrowser() {
    site_ = new BrowserSite(window());
    RECT client{};
    GetClientRect(window(), &client);
    const bool made =
        SUCCEEDED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                   reinterpret_cast<void**>(&object_))) &&
        SUCCEEDED(object_->SetClientSite(static_cast<IOleClientSite*>(site_))) &&
        SUCCEEDED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                  static_cast<IOleClientSite*>(site_), 0, window(), &client)) &&
        SUCCEEDED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_)));
    if (!made) releaseBrowser();
}

void Win32HelpViewer::releaseBrowser() {
    release(browser_);
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    release(object_);
    if (site_) {
        site_->detach();
        site_->Release();
        site_ = nullptr;
    }
}

void Win32HelpViewer::navigate2(const std::string& path) {
    if (!browser_) return;
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(utf8ToWide(path).c_str());
    VARIANT none;
    VariantInit(&none);
    if (url.bstrVal) browser_->Navigate2(&url, &none, &none, &none, &none);
    VariantClear(&url);
}

void Win32HelpViewer::showHelp() {
    if (!window()) return;
    ShowWindow(window(), IsIconic(window()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window());
    BringWindowToTop(window());
}

// The browser covers the client area exactly, at every size; a failure (while minimized, say)
// is passed over.
void Win32HelpViewer::layOut() {
    if (!object_) return;
    IOleInPlaceObject* inPlace = nullptr;
    if (FAILED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))))
        return;
    RECT client{};
    if (GetClientRect(window(), &client)) inPlace->SetObjectRects(&client, &client);
    inPlace->Release();
}

LRESULT Win32HelpViewer::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) layOut();
            return 0;
        case WM_CLOSE:
            DestroyWindow(window());
            return 0;
        case WM_DESTROY:
            releaseBrowser();
            if (quitWhenClosed_) PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window(), message, wParam, lParam);
}

}  // namespace talvoro::win32
