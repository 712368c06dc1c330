#pragma once
// The Windows edition's help viewer: a sizable window without owner whose client area is the
// system's WebBrowser control, hosted in place. When the control cannot be had (Wine without
// its Gecko engine, for one) the window opens empty.

#include <windows.h>

#include "platform/HelpViewer.h"
#include "platform/win32/BaseWindow.h"

struct IOleObject;
struct IWebBrowser2;

namespace talvoro::win32 {

class BrowserSite;

class Win32HelpViewer : public HelpViewer, public BaseWindow<Win32HelpViewer> {
public:
    explicit Win32HelpViewer(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~Win32HelpViewer() override;
    Win32HelpViewer(const Win32HelpViewer&) = delete;
    Win32HelpViewer& operator=(const Win32HelpViewer&) = delete;

    bool helpLoaded() override { return window() != nullptr; }
    void loadHelp(const FormDesign& design) override;
    void navigate2(const std::string& path) override;
    void showHelp() override;

    bool isOpen() const { return window() != nullptr; }
    bool hasBrowser() const { return browser_ != nullptr; }
    // Once the basket has gone the viewer may be the program's last window: its closing then
    // ends the message loop.
    void quitWhenClosed() { quitWhenClosed_ = true; }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void createBrowser();
    void releaseBrowser();
    void layOut();

    HINSTANCE instance_;
    BrowserSite* site_ = nullptr;
    IOleObject* object_ = nullptr;
    IWebBrowser2* browser_ = nullptr;
    bool quitWhenClosed_ = false;
};

}  // namespace talvoro::win32
