#pragma once
// What the program asks of the window manager for the basket and its picture, each operation
// named for what it does; each edition carries it out with its own window system's calls.
// Outcomes are reported as true or false where the program looks at them; none throws.

#include <cstdint>
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

    // Puts the window at the top of the band of always-on-top windows, above those made
    // topmost after it.
    virtual void keepOnTop(WindowHandle w) = 0;
    // Makes the window one whose opacity can be set; false when the platform cannot.
    virtual bool makeLayered(WindowHandle w) = 0;
    // Sets a layered window's opacity, from 0 (clear) to 255 (opaque); false when it fails.
    virtual bool setOpacity(WindowHandle w, std::uint8_t alpha) = 0;
    // Gives the window back its plain rectangle, whatever shape it was given.
    virtual void clearShape(WindowHandle w) = 0;
    // Hands the window to the platform's move by the mouse, as a press on a title bar does: the
    // window follows the pointer while the left button is held. Returns when the move is over.
    virtual void startMove(WindowHandle w) = 0;
    // The capture: which window hears the pointer, also outside itself, until it is released.
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
