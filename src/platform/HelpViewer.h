#pragma once
// The help window that shows the user manual: one sizable window without an owner, its whole
// client area a web browser. It lives from loadHelp until the user closes it.

#include <string>

#include "ui/FormDesign.h"

namespace talvoro {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Whether the window is loaded: made and not closed since.
    virtual bool helpLoaded() = 0;
    // Makes the window from `design`, not shown yet; the browser fills its client area. When
    // the browser cannot be made the window stays empty; throws only when not even the window
    // can be made.
    virtual void loadHelp(const FormDesign& design) = 0;
    // Hands the browser the local file at `path` to show. Does nothing without a browser.
    virtual void navigate2(const std::string& path) = 0;
    // Shows the window as an ordinary window, or brings it forward when it is shown already.
    virtual void showHelp() = 0;
};

}  // namespace talvoro
