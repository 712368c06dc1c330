#include "platform/win32/Twips.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace talvoro::win32 {

TwipsPerPixel screenTwipsPerPixel() {
    TwipsPerPixel scale;
    if (HDC screen = GetDC(nullptr)) {
        const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (dpiX > 0) scale.x = 1440.0 / dpiX;
        if (dpiY > 0) scale.y = 1440.0 / dpiY;
    }
    return scale;
}

int twipsToPixels(double twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0.0)) twipsPerPixel = 15.0;
    const double pixels = std::round(twips / twipsPerPixel);
    if (std::isnan(pixels)) return 0;
    constexpr double kMax = kMaxWindowCoordinate;
    return static_cast<int>(std::clamp(pixels, -kMax, kMax));
}

}  // namespace talvoro::win32
