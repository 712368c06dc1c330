#pragma once
// Twips (1/1440 inch) against screen pixels: the core measures the basket's place and size in
// twips, Win32 in pixels.

namespace talvoro::win32 {

struct TwipsPerPixel {
    double x = 15.0;
    double y = 15.0;
};

// From the screen's logical pixels per inch (15 twips per pixel at 96 dpi).
TwipsPerPixel screenTwipsPerPixel();

// The farthest a window coordinate may lie from the origin: well inside int, so that adding a
// window's size to it cannot overflow anywhere down the line.
inline constexpr int kMaxWindowCoordinate = 1 << 30;

// Twips to whole pixels, rounded to the nearest; NaN gives 0 and values beyond the coordinate
// range are held at its ends.
int twipsToPixels(double twips, double twipsPerPixel);

}  // namespace talvoro::win32
