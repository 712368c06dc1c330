#pragma once
// The Windows edition's About box: a modeless window without owner built from the core's
// design, with static controls for the picture and labels and a push button; its links open
// through the shell's ShellExecuteA.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/ErrorPolicy.h"
#include "platform/AboutBox.h"
#include "base/MessageBoxes.h"
#include "platform/win32/BaseWindow.h"
#include "platform/win32/WinUi.h"

namespace talvoro::win32 {

class Win32AboutBox : public AboutBox, public BaseWindow<Win32AboutBox> {
public:
    // What escapes the box's handlers is shown through `boxes`.
    explicit Win32AboutBox(MessageBoxes& boxes, HINSTANCE instance = GetModuleHandleW(nullptr));
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

    bool isOpen() const { return window() != nullptr; }
    // Once the basket has gone the box is the program's last window: its closing ends the
    // message loop.
    void quitWhenClosed() { quitWhenClosed_ = true; }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

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

    static LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onControlMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam);
    // Mouse presses and releases on a control or, with an empty name, on the surface; true
    // when the message was one.
    bool mouse(HWND window, const std::string& name, ClickRule& clicks, UINT message, WPARAM wParam,
               LPARAM lParam);
    void createControls(const FormDesign& design);
    HFONT font(const FontDesign& design);
    SIZE fitted(const std::wstring& text, HFONT f, SIZE designed, int room);
    Control* controlOf(HWND window);
    Control* controlNamed(const std::string& name);
    void destroyed();
    // Hands an event to the core through its one door; nothing once the box has closed.
    template <typename Call>
    void toCore(AboutEvents* events, Call&& call) {
        if (events) handleEvent(boxes_, [&] { call(*events); });
    }

    MessageBoxes& boxes_;
    HINSTANCE instance_;
    TwipsPerPixel scale_;
    HICON icon_ = nullptr;
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
