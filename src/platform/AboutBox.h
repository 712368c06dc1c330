#pragma once
// The About box: a modeless window without owner that the adapter builds from the core's
// design, and the desktop's handler of web and mail addresses that its links open.

#include <cstdint>
#include <string>

#include "platform/FormDesign.h"
#include "platform/Handles.h"

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

// Show state of a window started by the shell: a normal window.
inline constexpr int kSwShowNormal = 1;

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

    // Hands a document or address to the desktop, as the shell's ShellExecuteA does: `file` is
    // the address ("http://...", "mailto:..."). Returns the shell's result, above 32 on success.
    virtual std::intptr_t shellExecuteA(WindowHandle owner, const std::string& operation,
                                        const std::string& file, const std::string& parameters,
                                        const std::string& directory, int showCmd) = 0;
};

}  // namespace talvoro
