#pragma once
// The Windows edition's About box: a modeless window without owner built from the core's
// design, with static controls for the picture and labels and a push button; its links open
// through the shell's ShellExecuteA.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/AboutBox.h"
#include "platform/win32/WinUi.h"

namespace talvoro::win32 {

class Win32AboutBox : public AboutBox {
public:
    explicit Win32AboutBox(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~Win32AboutBox() override;
    Win32AboutBox(const Win32AboutBox&) = delete;
    Win32AboutBox& operator=(const Win32AboutBox&) = delete;

    void loadAbout(const FormDesign& design, AboutEvents& events) override;
    void showAbout() override;
    void setAboutForeColour(const std::string& control, Colour colour) override;
    void unloadAbout() override;
    // ShellExecuteA with no owner, the verb "Open", no parameters or folder, a normal window.
    bool openAddress(const std::string& address) override;

    // The message loop offers every message here first: Enter, Esc and Tab of the box are the
    // dialog manager's. True when the message was taken.
    bool preTranslateMessage(MSG& message);

    bool isOpen() const { return form_ != nullptr; }
    HWND window() const { return form_; }
    // Once the basket has gone the box is the program's last window: its closing ends the
    // message loop.
    void quitWhenClosed() { quitWhenClosed_ = true; }

private:
    struct Control {
        std::string name;
        HWND window = nullptr;
        WNDPROC originalProc = nullptr;
        COLORREF colour = 0;
        bool hasColour = false;
        bool handPointer = false;
        bool isButton = false;
        ClickRule clicks;
    };

    static LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onFormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onControlMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam);
    // Mouse presses and releases on a control or, with an empty name, on the surface; true
    // when the message was one.
    bool mouse(HWND window, const std::string& name, ClickRule& clicks, UINT message,
               WPARAM wParam, LPARAM lParam);
    void createControls(const FormDesign& design);
    HFONT font(const FontDesign& design);
    SIZE fitted(const std::wstring& text, HFONT f, SIZE designed, int room);
    Control* controlOf(HWND window);
    Control* controlNamed(const std::string& name);
    void destroyed();

    HINSTANCE instance_;
    TwipsPerPixel scale_;
    HICON icon_ = nullptr;
    HWND form_ = nullptr;
    HWND defaultButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    std::string defaultName_, cancelName_;
    AboutEvents* events_ = nullptr;
    std::vector<Control> controls_;
    std::vector<HFONT> fonts_;
    std::map<std::string, HFONT> fontsByDesign_;
    ClickRule surfaceClicks_;
    bool quitWhenClosed_ = false;
};

}  // namespace talvoro::win32
