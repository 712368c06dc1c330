#pragma once
// The About box: a modeless window without owner that the adapter builds from the core's
// design, and the desktop's handler of web and mail addresses that its links open.

#include <string>

#include "ui/FormDesign.h"

namespace talvoro {

// What the user does on the About box, as the adapter reports it. `control` is the name of the
// control it happens on, or empty for the window's own surface. Buttons and shift keys are
// given the way the basket's mouse handlers take them; x and y in twips relative to the control.
class AboutEvents {
public:
    virtual ~AboutEvents() = default;
    // A press and release of the left button on the same control (not the second press of a
    // double click), or Enter and Esc on the default and cancel buttons.
    virtual void Click(const std::string& control) = 0;
    // Every press and every release of a mouse button, whichever button; a release is reported
    // to the control the press was on, wherever the pointer has gone.
    virtual void MouseDown(const std::string& control, int button, int shift, float x, float y) = 0;
    virtual void MouseUp(const std::string& control, int button, int shift, float x, float y) = 0;
    // The window has closed: through unloadAbout, or from its title bar or system menu.
    virtual void Unload() = 0;
};

class AboutBox {
public:
    virtual ~AboutBox() = default;

    // Creates the window from `design`, hidden; its events go to `events` until it has closed.
    // One About box exists at a time.
    virtual void loadAbout(const FormDesign& design, AboutEvents& events) = 0;
    // Shows the loaded window modelessly, or brings it forward when it shows already.
    virtual void showAbout() = 0;
    virtual void setAboutForeColour(const std::string& control, Colour colour) = 0;
    // Closes the window; the adapter then reports Unload.
    virtual void unloadAbout() = 0;

    // Opens a web or mail address ("http://...", "mailto:...") with the program the desktop
    // keeps for it. False when no program took it.
    virtual bool openAddress(const std::string& address) = 0;
};

}  // namespace talvoro
