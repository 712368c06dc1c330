#pragma once
// The window-manager operations on the basket, passed straight to user32.

#include <windows.h>

#include "platform/WindowManager.h"
#include "platform/win32/Twips.h"

namespace talvoro::win32 {

class Win32WindowManager : public WindowManager {
public:
    Win32WindowManager(HWND mainWindow, HWND picture);

    WindowHandle mainWindow() override;
    WindowHandle pictureWindow() override;

    bool setWindowPos(WindowHandle w, WindowHandle insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    std::optional<std::int32_t> getWindowLongA(WindowHandle w, int index) override;
    bool setWindowLongA(WindowHandle w, int index, std::int32_t value) override;
    bool setLayeredWindowAttributes(WindowHandle w, std::uint32_t colorKey, std::uint8_t alpha,
                                    unsigned flags) override;
    bool setWindowRgn(WindowHandle w, std::intptr_t region, bool redraw) override;
    std::intptr_t sendMessageA(WindowHandle w, unsigned msg, std::intptr_t wParam,
                               std::intptr_t lParam) override;
    void setCapture(WindowHandle w) override;
    void releaseCapture() override;

    float windowTop() override;
    float windowLeft() override;
    void setWindowTop(float twips) override;
    void setWindowLeft(float twips) override;
    float windowWidth() override;
    float windowHeight() override;
    float pictureWidth() override;
    float pictureHeight() override;
    std::vector<Screen> screens() override;

    void unloadMainWindow() override;

private:
    RECT windowRect(HWND w) const;
    void moveTo(int x, int y);

    HWND main_;
    HWND picture_;
    TwipsPerPixel scale_;
};

}  // namespace talvoro::win32
