#include "app/WindowAlpha.h"

#include "platform/WindowManager.h"

namespace talvoro {

std::int32_t SetWindowAlpha(WindowManager& wm, WindowHandle hWnd, std::int16_t Alpha) {
    if (Alpha < 0 || Alpha > 255) return kAlphaOutOfRange;
    bool failed = !wm.makeLayered(hWnd);
    if (!wm.setOpacity(hWnd, static_cast<std::uint8_t>(Alpha))) failed = true;
    return failed ? kAlphaPlatformFailed : kAlphaSet;
}

}  // namespace talvoro
