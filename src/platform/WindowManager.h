#pragma once
// Window-manager operations on the basket and its picture. They mirror the user32 calls the
// program makes, so the Win32 adapter passes them straight through and the Linux adapter
// interprets them. Calls report failure the way user32 does (false / nullopt); none throws
// except where noted.

#include <optional>
#include <vector>

#include "platform/Handles.h"

namespace talvoro {

// A rectangle in twips, screen coordinates.
struct ScreenRect {
    double left = 0, top = 0, width = 0, height = 0;
};

// One screen: the whole of it, and its work area, the part its panels and task bars leave to
// windows.
struct Screen {
    ScreenRect whole;
    ScreenRect workArea;
};

class WindowManager {
public:
    virtual ~WindowManager() = default;

    virtual WindowHandle mainWindow() = 0;
    virtual WindowHandle pictureWindow() = 0;

    virtual bool setWindowPos(WindowHandle w, WindowHandle insertAfter, int x, int y, int cx,
                              int cy, unsigned flags) = 0;
    virtual std::optional<std::int32_t> getWindowLongA(WindowHandle w, int index) = 0;
    virtual bool setWindowLongA(WindowHandle w, int index, std::int32_t value) = 0;
    virtual bool setLayeredWindowAttributes(WindowHandle w, std::uint32_t colorKey,
                                            std::uint8_t alpha, unsigned flags) = 0;
    // region 0 is "no region": the window keeps its plain rectangle.
    virtual bool setWindowRgn(WindowHandle w, std::intptr_t region, bool redraw) = 0;
    // Starts the platform's modal move when given the non-client left press on the caption.
    virtual std::intptr_t sendMessageA(WindowHandle w, unsigned msg, std::intptr_t wParam,
                                       std::intptr_t lParam) = 0;
    virtual void setCapture(WindowHandle w) = 0;
    virtual void releaseCapture() = 0;

    // The basket's outer top-left corner, in twips of screen coordinates.
    virtual float windowTop() = 0;
    virtual float windowLeft() = 0;
    virtual void setWindowTop(float twips) = 0;
    virtual void setWindowLeft(float twips) = 0;
    // The basket's outer size and the picture's size, in twips.
    virtual float windowWidth() = 0;
    virtual float windowHeight() = 0;
    virtual float pictureWidth() = 0;
    virtual float pictureHeight() = 0;
    // Every screen, in twips.
    virtual std::vector<Screen> screens() = 0;

    // Closes the basket; the adapter then runs the core's unload handler.
    virtual void unloadMainWindow() = 0;
};

}  // namespace talvoro
