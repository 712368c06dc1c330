#include "app/WindowAlpha.h"

#include "platform/WindowManager.h"

namespace talvoro {

std::int32_t SetWindowAlpha(WindowManager& wm, WindowHandle hWnd, std::int16_t Alpha) {
    if (Alpha < 0 || Alpha > 255) return kAlphaOutOfRange;
    bool failed = false;
    const auto style = wm.getWindowLongA(hWnd, kGwlExStyle);
    if (!style) failed = true;
    if (!wm.setWindowLongA(hWnd, kGwlExStyle, style.value_or(0) | kWsExLayered)) failed = true;
    if (!wm.setLayeredWindowAttributes(hWnd, 0, static_cast<std::uint8_t>(Alpha), kLwaAlpha))
        failed = true;
    return failed ? kAlphaPlatformFailed : kAlphaSet;
}

}  // namespace talvoro
