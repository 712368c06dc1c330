#pragma once
// The window-manager operations on the basket, each the user32 call that does it.

#include <windows.h>

#include "platform/WindowManager.h"
#include "platform/win32/WinUi.h"

namespace talvoro::win32 {

class Win32WindowManager : public WindowManager {
public:
    Win32WindowManager(HWND mainWindow, HWND picture);

    WindowHandle mainWindow() override;
    WindowHandle pictureWindow() override;

    // SetWindowPos with HWND_TOPMOST, neither moving nor sizing the window.
    void keepOnTop(WindowHandle w) override;
    // GetWindowLongA and SetWindowLongA of the extended style, with WS_EX_LAYERED added.
    bool makeLayered(WindowHandle w) override;
    // SetLayeredWindowAttributes with colour key 0 and LWA_ALPHA.
    bool setOpacity(WindowHandle w, std::uint8_t alpha) override;
    // SetWindowRgn with no region.
    void clearShape(WindowHandle w) override;
    // SendMessageA of WM_NCLBUTTONDOWN on HTCAPTION: the system's own move, as from a title bar.
    void startMove(WindowHandle w) override;
    void setCapture(WindowHandle w) override;
    void releaseCapture() override;

    float windowTop() override;
    float windowLeft() override;
    void setWindowTop(float twips) override;
    void setWindowLeft(float twips) override;
    float windowWidth() override { return width(main_); }
    float windowHeight() override { return height(main_); }
    float pictureWidth() override { return width(picture_); }
    float pictureHeight() override { return height(picture_); }
    std::vector<Screen> screens() override;

    void unloadMainWindow() override;

private:
    RECT windowRect(HWND w) const;
    float width(HWND w) const;
    float height(HWND w) const;
    void moveTo(int x, int y);

    HWND main_;
    HWND picture_;
    TwipsPerPixel scale_;
};

}  // namespace talvoro::win32
