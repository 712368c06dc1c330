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

}  // namespace talvoro::win32
