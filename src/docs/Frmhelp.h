#pragma once
// The help viewer: the Help command and the viewer's load steps. The window itself is the
// platform's; this holds what the program does with it.

#include "platform/Platform.h"

namespace talvoro {

inline constexpr const char* kHelpCaption = "使用手册";
inline constexpr const char* kHelpFileName = "daveduvhelp.mht";

class Frmhelp {
public:
    explicit Frmhelp(Platform& platform) : p_(platform) {}

    // A sizable window placed by the system, its whole client area the browser.
    static const FormDesign& design();

    // Loads the viewer unless it is open, then shows it; an open viewer is only brought
    // forward, its manual neither written nor shown anew. Reports nothing.
    void Show();

    // Writes the manual afresh to the help file and shows it. Whatever stood at the help file's
    // path is removed first (a link itself, not what it points to); when it cannot be, or the
    // manual cannot be written, the browser stays empty.
    void Form_Load();

private:
    Platform& p_;
};

}  // namespace talvoro
