#pragma once
// The screen's scale and the mouse's buttons and keys, as Win32 reports them, in the core's
// terms.

#include <windows.h>

#include <optional>

#include "ui/Mouse.h"
#include "ui/Twips.h"

namespace talvoro::win32 {

// From the screen's logical pixels per inch (15 twips per pixel at 96 dpi).
TwipsPerPixel screenTwipsPerPixel();

// The buttons held, from a mouse message's key flags or a drag's key state.
inline int mouseButtons(DWORD keys) {
    return buttonCode(keys & MK_LBUTTON, keys & MK_RBUTTON, keys & MK_MBUTTON);
}

// The keys held with a mouse message: its flags carry Shift and Ctrl; Alt is read from the
// keyboard.
inline int mouseKeys(WPARAM keys) {
    return shiftCode(keys & MK_SHIFT, keys & MK_CONTROL, GetKeyState(VK_MENU) & 0x8000);
}

// The keys held during a drag: its key state carries all three.
inline int dragKeys(DWORD keyState) {
    return shiftCode(keyState & MK_SHIFT, keyState & MK_CONTROL, keyState & MK_ALT);
}

// A message of a mouse button: which one, pressed or released, and whether the press is the
// second of a double click.
struct ButtonMessage {
    int button = 0;
    bool down = false;
    bool secondOfDouble = false;
};
std::optional<ButtonMessage> buttonMessage(UINT message);

}  // namespace talvoro::win32
