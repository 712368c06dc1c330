#include "ui/Twips.h"

#include <algorithm>
#include <cmath>

namespace talvoro {

TwipsPerPixel twipsPerPixelAt(double dpiX, double dpiY) {
    TwipsPerPixel scale;
    if (dpiX > 0) scale.x = kTwipsPerInch / dpiX;
    if (dpiY > 0) scale.y = kTwipsPerInch / dpiY;
    return scale;
}

int twipsToPixels(double twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0.0)) twipsPerPixel = 15.0;
    const double pixels = std::round(twips / twipsPerPixel);
    if (std::isnan(pixels)) return 0;
    constexpr double kMax = kMaxWindowCoordinate;
    return static_cast<int>(std::clamp(pixels, -kMax, kMax));
}

PixelRect pixelRect(int left, int top, int width, int height, TwipsPerPixel scale) {
    const int l = twipsToPixels(left, scale.x), t = twipsToPixels(top, scale.y);
    return {l, t, twipsToPixels(static_cast<double>(left) + width, scale.x) - l,
            twipsToPixels(static_cast<double>(top) + height, scale.y) - t};
}

}  // namespace talvoro
