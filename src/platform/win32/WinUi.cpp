#include "platform/win32/WinUi.h"

namespace talvoro::win32 {

TwipsPerPixel screenTwipsPerPixel() {
    int dpiX = 0, dpiY = 0;
    if (HDC screen = GetDC(nullptr)) {
        dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return twipsPerPixelAt(dpiX, dpiY);
}

std::optional<ButtonMessage> buttonMessage(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return ButtonMessage{kButtonLeft, true, false};
        case WM_LBUTTONDBLCLK:
            return ButtonMessage{kButtonLeft, true, true};
        case WM_RBUTTONDOWN:
            return ButtonMessage{kButtonRight, true, false};
        case WM_RBUTTONDBLCLK:
            return ButtonMessage{kButtonRight, true, true};
        case WM_MBUTTONDOWN:
            return ButtonMessage{kButtonMiddle, true, false};
        case WM_MBUTTONDBLCLK:
            return ButtonMessage{kButtonMiddle, true, true};
        case WM_LBUTTONUP:
            return ButtonMessage{kButtonLeft, false, false};
        case WM_RBUTTONUP:
            return ButtonMessage{kButtonRight, false, false};
        case WM_MBUTTONUP:
            return ButtonMessage{kButtonMiddle, false, false};
        default:
            return std::nullopt;
    }
}

}  // namespace talvoro::win32
